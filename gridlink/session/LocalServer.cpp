#include "session/LocalServer.h"

#include <cstdio>

#include "gridlink/CLogFile.h"
#include "gridlink/CProfile.h"
#include "gridlink/platform/Clock.h"
#include "links/ReplyIdentifier.h"
#include "session/AttachCommand.h"
#include "session/ConnectionEvents.h"
#include "session/ConnectionState.h"
#include "session/PacketScrambler.h"
#include "session/RequestPacket.h"
#include "session/ServerPacket.h"

namespace {

constexpr const char* kOk = "RE:OK.";
constexpr const char* kDontSupport = "ER:Don't support";
// Replies of the stop text may still be on their way when "%Loop%" goes out: wait for a quiet
// line, and take a reply without an identifier as a stale one (the test is then repeated).
constexpr unsigned kQuietMs = 150;
constexpr unsigned kQuietMaxMs = 1500;
constexpr int kLoopAttempts = 3;

bool hasIdentifier(const std::string& reply) {
  std::string_view id;
  return Zrx::replyIdentifier(reply, id);
}

}  // namespace

LocalServer::LocalServer(CConnection* owner) : m_Owner(owner) {
  m_Requests = {
      {"OpenUsr", {&LocalServer::OpenUsr, 0}},
      {"CloseUsr", {&LocalServer::CloseUsr, 0}},
      {"OpenRcv", {&LocalServer::OpenRcv, 64}},
      {"CloseRcv", {&LocalServer::CloseRcv, 97}},
      {"Command", {&LocalServer::Command, 1}},
      {"Attach", {&LocalServer::Attach, 193}},
      {"Detach", {&LocalServer::Detach, 193}},
      {"DownloadFile", {&LocalServer::DownloadFile, 129}},
      {"Ping", {&LocalServer::DontSupport, 128}},
      {"CancelDownload", {&LocalServer::CancelDownload, 160}},
      {"GetMsgList", {&LocalServer::DontSupport, 0}},
      {"GetRcvList", {&LocalServer::GetRcvList, 0}},
      {"GetMsg", {&LocalServer::DontSupport, 0}},
      {"SetMsg", {&LocalServer::DontSupport, 0}},
      {"DeleteMsg", {&LocalServer::DontSupport, 0}},
      {"LoadFirmware", {&LocalServer::LoadFirmware, 128}},
      {"DetectRcv", {&LocalServer::DontSupport, 128}},
      {"GetSourceTable", {&LocalServer::DontSupport, 0}},
      {"GetUsrList", {&LocalServer::DontSupport, 0}},
      {"WriteRaw", {&LocalServer::WriteRaw, 1}},
  };
}

LocalServer::LocalServer(LocalSrv::PacketSink& sink) : LocalServer(static_cast<CConnection*>(nullptr)) {
  m_Sink = &sink;
}

LocalServer::~LocalServer() {
  stopTransfer();
  m_Link.reset();
}

void LocalServer::log(const std::string& text) const {
  ClientLog().WriteTimed(text);
}

CLinkOwner::RawDataCallback LocalServer::RawData() {
  return m_Owner ? ConnectionAccess::state(*m_Owner).commandOutput.load() : nullptr;
}

CLinkOwner::DetectAbortCallback LocalServer::DetectAbort() {
  return m_Owner ? ConnectionAccess::state(*m_Owner).detectAbort : nullptr;
}

void LocalServer::LinkLost(const std::string& why) {
  // A program that is itself a server learns it from the next request's reply.
  if (m_Owner) SendPacket(ServerLink::makeType(ServerLink::kKindEvent7, 0), 0, "ER:" + why);
}

void LocalServer::Process(const unsigned char* packet, std::size_t length) {
  std::string plain(reinterpret_cast<const char*>(packet), length);
  if (length >= ServerLink::kFrameHeader &&
      ServerLink::isFrameTag(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size())) {
    const std::size_t n = ServerLink::UnCryptPacket(
        reinterpret_cast<std::uint8_t*>(plain.data()), plain.size(),
        m_Owner ? ConnectionAccess::state(*m_Owner).key : std::string(ServerLink::kPacketKey));
    if (n == 0) {
      SendPacket(0, 0, "ER:Error decrypt");
      return;
    }
    plain.resize(n);
  }
  const auto request =
      ServerLink::parseRequestPacket(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size());
  int result = 0;
  if (!request) {
    m_Reply = "ER:Unknown request type";
  } else {
    m_RcvId = request->rcvId;
    const std::string text(request->text.substr(0, request->text.find('\0')));
    log("Client > " + text);
    const std::size_t blank = text.find(' ');
    const std::string name = text.substr(0, blank);
    auto it = m_Requests.find(name);
    if (it == m_Requests.end()) {
      m_Reply = "ER:Unknown request type";
    } else {
      std::string_view arg;
      if (blank != std::string::npos) {
        arg = std::string_view(text).substr(blank);
        while (!arg.empty() && arg.front() == ' ') arg.remove_prefix(1);
      }
      m_Reply = kOk;
      result = (this->*(it->second.handler))(arg);
    }
  }
  SendReply(static_cast<std::uint8_t>(result), m_Reply);
  log("Client < " + m_Reply);
}

bool LocalServer::LookupMessage(std::uint8_t messageNumber, std::uint8_t& streamKind) {
  Platform::CriticalSectionLock lock(m_SendLock);
  const LocalSrv::MessageEntry* e = m_Table.BySerial(messageNumber);
  if (!e) return false;
  streamKind = e->kind;
  return true;
}

bool LocalServer::DeliverPacket(unsigned type, const void* payload, std::size_t count) {
  return SendPacket(type, 0, std::string_view(static_cast<const char*>(payload), count));
}

bool LocalServer::SendPacket(unsigned type, std::uint8_t result, std::string_view text) {
  Platform::CriticalSectionLock lock(m_SendLock);
  if ((!m_Owner && !m_Sink) || text.size() + 12 > 0xFFFE) return false;
  char header[16];
  std::snprintf(header, sizeof header, "%04x%03x%02x%02x", static_cast<unsigned>(text.size() + 12),
                type & 0xFFFu, static_cast<unsigned>(m_RcvId.load()), static_cast<unsigned>(result));
  std::string packet(header);
  packet.append(text);
  packet.push_back('\0');
  if (m_Sink) return m_Sink->Offer(packet, kPacketTakenWaitMs);
  return ConnectionAccess::state(*m_Owner).handoff.Offer(packet, kPacketTakenWaitMs);
}

bool LocalServer::SendReply(std::uint8_t result, const std::string& text) {
  Platform::CriticalSectionLock lock(m_SendLock);
  CConnection* owner = m_Owner;
  if (m_Sink || !owner || text.size() + 12 > 0xFFFE) return SendPacket(0, result, text);
  const std::uint8_t rcvId = m_RcvId.load();
  ConnectionState& s = ConnectionAccess::state(*owner);
  return s.handoff.RunInOrder(
      [&] {
        s.receivedBytes += text.size();
        ConnectionAccess::completeReply(*owner, rcvId, text, result);
      },
      kPacketTakenWaitMs);
}

int LocalServer::OpenUsr(std::string_view arg) {
  char words[4][256] = {};
  const std::string a(arg);
  std::sscanf(a.c_str(), "%255s %255s %255s %255s", words[0], words[1], words[2], words[3]);
  m_User = words[0];
  return 1;
}

int LocalServer::CloseUsr(std::string_view) {
  m_Owner = nullptr;
  return 1;
}

int LocalServer::DontSupport(std::string_view) {
  m_Reply = kDontSupport;
  return 0;
}

void LocalServer::sendStop() {
  std::string ignored;
  if (m_Link) m_Link->SendCommand(kStopSequence, ignored, 0);
}

int LocalServer::OpenRcv(std::string_view arg) {
  if (m_User.empty()) {
    m_Reply = "ER:User is not opened!";
    return 0;
  }
  const std::string rcv(arg);
  const std::uint8_t id = m_RcvId;
  bool tookOver = false;
  if (m_Link) {
    // The link stays when one of its receivers opens again, or when another receiver names
    // the same device (which would refuse a second open) and shares it; either way the answer
    // is the one callers have always had, with result 1.
    if (id == m_LinkOwner || m_Guests.test(id) || rcv == m_LinkString) {
      if (id != m_LinkOwner) m_Guests.set(id);
      m_TakenOver.reset(id);
      m_Reply = "ER:Connection was not closed correctly!";
      return 1;
    }
    // Another device: its link goes, and its receiver will hear why.
    dropLink(true);
    tookOver = true;
  }
  m_TakenOver.reset(id);
  if (LocalSrv::LinkKindOf(rcv) < 0) {
    m_Reply = "ER:Can't find receiver.";
    return 0;
  }
  int kind = -1;
  std::string error = openLink(rcv, kind);
  if (!m_Link) {
    m_Reply = error.empty() ? "ER:Can't find receiver." : error;
    return 0;
  }
  const bool serialExtra = kind == LocalSrv::kLinkCom && rcv.find(' ') != std::string::npos;
  if (error.empty() && !serialExtra) {
    rememberReceiver(rcv, kind);
    m_Link->SetLinkKind(kind);
    m_LinkKind = kind;
    error = loopTest();
    if (error.empty()) buildMessageTable();
  }
  if (error.empty()) {  // opened (a serial string with an extra parameter ends after the link)
    m_LinkOwner = id;
    m_LinkString = rcv;
    if (tookOver) m_Reply = "ER:Connection was not closed correctly!";
    return 1;
  }
  m_Reply = error;
  m_Link.reset();
  return 0;
}

std::string LocalServer::openLink(const std::string& rcv, int& kind) {
  std::string createError;
  m_Link = LocalSrv::DeviceLink::Create(*this, rcv, kind, createError);
  if (!m_Link) return createError;
  const bool serial = kind == LocalSrv::kLinkCom;
  if (serial && rcv.find(' ') == std::string::npos && !m_Link->StatusText().empty()) {
    m_Link.reset();  // a port that was just released may refuse once
    m_Link = LocalSrv::DeviceLink::Create(*this, rcv, kind, createError);
  }
  return m_Link ? m_Link->StatusText() : createError;
}

std::string LocalServer::loopTest() {
  sendStop();
  m_Link->WaitQuiet(kQuietMs, kQuietMaxMs);
  std::string reply;
  for (int i = 0; i < kLoopAttempts; ++i) {
    reply.clear();
    if (m_Link->SendCommand("%Loop%", reply, kLoopTimeoutMs) && reply == "RE006%Loop%") return {};
    if (hasIdentifier(reply)) break;  // the receiver's own answer, and a wrong one
    if (reply == "ER:Receiver reply timeout!") break;
  }
  return reply.empty() ? std::string("ER:Receiver reply timeout!") : reply;
}

void LocalServer::rememberReceiver(const std::string& rcv, int kind) {
  const char* key = LocalSrv::LastReceiverKey(kind);
  if (m_Sink || !key) return;
  if (CProfile* ui = CProfile::Instance("Software\\Norhaven GNSS\\Fieldmesh\\GridnetUI")) {
    ui->Write("", "LastRcv", rcv.c_str());
    ui->Release();
  }
  CConnection::getProfile().Write("LServer", key, (rcv + ",").c_str());
}

void LocalServer::buildMessageTable() {
  // Built aside: the link's reader may look numbers up meanwhile.
  LocalSrv::MessageTable table;
  table.Clear();
  for (std::uint8_t kind = 0; kind < LocalSrv::kStreamKinds; ++kind) {
    std::string reply;
    if (!m_Link->SendCommand(LocalSrv::MessageTable::ListCommand(kind), reply, kListTimeoutMs)) {
      m_Reply = "ER:Can't create message table!";
      continue;
    }
    table.AddList(kind, reply);
  }
  Platform::CriticalSectionLock lock(m_SendLock);
  m_Table = std::move(table);
}

bool LocalServer::ownLink() {
  if (m_Link && (m_RcvId == m_LinkOwner || m_Guests.test(m_RcvId))) return true;
  m_Reply = m_TakenOver.test(m_RcvId) ? kTakenOver : "ER:Receiver is not open!";
  return false;
}

void LocalServer::dropLink(bool stopText) {
  m_Guests.set(m_LinkOwner);
  m_Guests.reset(m_RcvId);
  m_TakenOver |= m_Guests;  // everybody else on this link learns why it is gone
  m_Guests.reset();
  stopTransfer();
  if (stopText) sendStop();
  m_Link.reset();
  m_LinkKind = -1;
  m_LinkString.clear();
}

int LocalServer::CloseRcv(std::string_view arg) {
  // A receiver closes only its own link; one whose link was taken has nothing left to close.
  const bool takenOver = m_TakenOver.test(m_RcvId);
  m_TakenOver.reset(m_RcvId);
  if (m_Link && m_Guests.test(m_RcvId)) {  // the device stays with the others on it
    m_Guests.reset(m_RcvId);
    return 1;
  }
  if (m_Link && m_RcvId == m_LinkOwner && m_Guests.any()) {
    for (unsigned g = 0; g < m_Guests.size(); ++g)
      if (m_Guests.test(g)) {
        m_LinkOwner = static_cast<std::uint8_t>(g);
        m_Guests.reset(g);
        break;
      }
    return 1;
  }
  if (!m_Link || m_RcvId != m_LinkOwner) {
    if (takenOver) m_Reply = kTakenOver;
    return 0;
  }
  dropLink(arg != "disconnect");
  return 1;
}

int LocalServer::Command(std::string_view arg) {
  if (!ownLink()) return 0;
  const std::string cmd(arg);
  std::string reply;
  int result;
  if (cmd.rfind("@scr", 0) == 0) {
    result = m_Link->RunScript(cmd, reply);
  } else {
    // A network receiver may be far away: it gets the longer wait.
    result = m_Link->SendCommand(cmd, reply,
                                 m_LinkKind == LocalSrv::kLinkTcp ? kTcpCommandTimeoutMs : kCommandTimeoutMs)
                 ? 1
                 : 0;
  }
  m_Reply = reply;
  return result;
}

int LocalServer::Attach(std::string_view arg) {
  if (!ownLink()) return 0;
  const LocalSrv::AttachPlan plan = LocalSrv::BuildAttachText(m_Table, arg);
  if (plan.stopAtWl) return 1;
  if (!plan.error.empty()) m_Reply = plan.error;
  int result = 1;
  for (const std::string& piece : LocalSrv::SplitAttachPieces(plan.text)) {
    std::string reply;
    if (!m_Link->SendCommand(piece, reply, kAttachTimeoutMs)) {
      m_Reply = reply;
      result = 0;
    }
  }
  return result;
}

int LocalServer::Detach(std::string_view) {
  if (m_Link && !ownLink()) return 0;  // another receiver's stream is not ours to stop
  sendStop();
  Platform::Sleep(kDetachPauseMs);
  return 1;
}
