// CReceiver: open, close, commands and attachments. Downloads are in ReceiverTransfer.cpp,
// delivery of attached data in ReceiverDelivery.cpp.
#include "gridlink/CReceiver.h"

#include <cstdio>

#include "gridlink/CLogFile.h"
#include "gridlink/Framing.h"
#include "gridlink/platform/Clock.h"
#include "gridlink/platform/MessageQueue.h"
#include "session/ConnectionEvents.h"
#include "session/ConnectionState.h"

namespace {

std::string trimmed(std::string t) {
  const auto b = t.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  const auto e = t.find_last_not_of(" \t\r\n");
  return t.substr(b, e - b + 1);
}

constexpr std::uint32_t kNoticeMessage = Platform::kUserMessage + 1;

}  // namespace

CReceiver::CReceiver() = default;

CReceiver::~CReceiver() {
  Close(false);
}

void CReceiver::setReplyResult(const char* text, std::uint8_t result) {
  {
    std::lock_guard lock(m_ReplyLock);
    m_Reply = text ? text : "";
  }
  m_Result = result;
}

void CReceiver::SetReply(const char* text) {
  {
    std::lock_guard lock(m_ReplyLock);
    m_Reply = text ? text : "";
  }
  ClientLog().WriteTimed(text ? text : "");
}

std::string CReceiver::GetReplyString() const {
  std::lock_guard lock(m_ReplyLock);
  return m_Reply;
}

std::string CReceiver::GetReceiverName() const {
  std::lock_guard lock(m_ReplyLock);
  return m_Name;
}

int CReceiver::Open(CConnection* conn, const char* name, std::uint32_t lock) {
  if (isOpened()) return 1;
  for (unsigned i = 0; i < kAttachSlots; ++i) {
    m_Windows[i] = nullptr;
    m_Callbacks[i] = nullptr;
  }
  for (GPSDATA*& c : m_Cache) c = nullptr;
  m_BytesReceived = 0;
  m_Records = nullptr;
  {
    std::lock_guard l(m_TransferLock);
    m_Download = DOWNLOADINFO();
  }
  if (!conn || !ConnectionAccess::state(*conn).opened) {
    SetReply("ERDLL:User don't opened!");
    return 0;
  }
  if (m_RcvId != 0) {
    SetReply("ERDLL:Receiver already opened.");
    return 0;
  }
  m_Conn = conn;
  m_ClosedOnLiveConnection = false;
  const auto id = static_cast<unsigned char>(conn->RegRcv(this));
  m_RcvId = id;
  std::string n = name ? name : "";
  if (lock != 0) n = trimmed(n) + " Lock";
  {
    std::lock_guard l(m_ReplyLock);
    m_Name = n;
  }
  m_Closing = false;
  if (id == 0 || !conn->SendData(("OpenRcv " + n).c_str(), id)) {
    if (id == 0) SetReply("ERDLL:Receiver already opened.");
    conn->CloseRcv(id);
    m_Closing = true;
    m_RcvId = 0;
    m_Conn = nullptr;
    return 0;
  }
  setOpened();
  return 1;
}

bool CReceiver::CheckDevice() {
  CConnection* conn = m_Conn.load();
  if (!conn) {
    SetReply(m_ClosedOnLiveConnection ? "ER:Receiver is not open!" : "ER:Don't connection to server!");
    return false;
  }
  const ConnectionState& s = ConnectionAccess::state(*conn);
  if (!s.local && !s.socket.IsOpen()) {
    SetReply("ER:Don't connection to server!");
    return false;
  }
  if (m_RcvId == 0) {
    SetReply("ER:Receiver is not open!");
    return false;
  }
  return true;
}

int CReceiver::Close(bool disconnect) {
  if (!isOpened()) return 1;
  CConnection* conn = m_Conn.load();
  if (!conn || !ConnectionAccess::state(*conn).opened) {
    SetReply("ERDLL:Can't be run Close");
    return 0;
  }
  ConnectionState& s = ConnectionAccess::state(*conn);
  if (ConnectionAccess::onCallbackThread(s)) {
    SetReply(std::string(ServerLink::kRequestFromCallback).c_str());
    return 0;
  }
  if (m_Opened.exchange(0) == 0) return 1;  // another thread closed it meanwhile
  s.commandOutput = nullptr;
  m_Closing = true;  // from here on the connection thread drops this receiver's data
  // Always release the link: after another thread's request, or, when this thread waits for
  // a reply itself, as soon as that has come.
  ConnectionAccess::closeLink(*conn, m_RcvId, disconnect);
  if (!s.sysMsg) {
    for (unsigned i = 0; i < kAttachSlots; ++i) {
      if (!m_Windows[i]) continue;
      Platform::PostWindowMessage(m_Windows[i], kNoticeMessage, 0, reinterpret_cast<std::intptr_t>(this));
      break;
    }
  }
  for (auto& w : m_Windows) w = nullptr;
  conn->CloseRcv(m_RcvId);
  m_Attached = false;
  {
    // The records' events belong to the caller and are left as they are.
    Platform::CriticalSectionLock lock(s.dataLock);
    for (GPSDATA*& c : m_Cache) c = nullptr;
    m_Records = nullptr;
    m_MsgBuf.clear();
    for (auto& cb : m_Callbacks) cb = nullptr;
  }
  closeDownloadFile();
  m_RcvId = 0;
  m_LogTraffic = false;
  m_ClosedOnLiveConnection = true;
  m_Conn = nullptr;  // the connection may go now
  return m_Result;
}

int CReceiver::SendCommand(const char* cmd, CConnection::CommandOutputCallback output) {
  std::string reply;
  return SendCommand(cmd, reply, output);
}

int CReceiver::SendCommand(const char* cmd, std::string& reply, CConnection::CommandOutputCallback output) {
  if (!CheckDevice()) {
    reply = GetReplyString();
    return 0;
  }
  CConnection* conn = m_Conn.load();
  if (!conn) return 0;
  std::string c = cmd ? cmd : "";
  c.erase(0, c.find_first_not_of(' ') == std::string::npos ? c.size() : c.find_first_not_of(' '));
  ConnectionState& s = ConnectionAccess::state(*conn);
  // One lock from the send through the reply's rewrite: no other command comes in between.
  if (!ConnectionAccess::enterSend(*conn, m_RcvId, &reply)) return 0;
  std::lock_guard<Platform::FairLock> held(s.sendLock, std::adopt_lock);
  if (s.local) s.commandOutput = output;  // a null one uninstalls the last
  if (s.local && output && c.empty()) {
    reply = GetReplyString();
    return 1;
  }
  if ((s.local && output) || c.rfind("@scr", 0) == 0)
    return ConnectionAccess::exchange(*conn, "Command " + c, m_RcvId, &reply);
  return sendTagged(*conn, c, reply);
}

namespace {

// The reply of a tagged command as if the command had been sent without its tag: the tag
// taken out of the text and the length field recomputed.
std::string untagged(const std::string& reply, const std::string& tag, bool ownPrefix) {
  const std::string id = reply.substr(0, 2);
  const unsigned length = Zrx::hexField(3, reply.data() + 2);
  std::string rest = reply.substr(5 + tag.size());
  char head[16];
  if (ownPrefix) {
    std::snprintf(head, sizeof head, "%s%03X%%", id.c_str(), (length - static_cast<unsigned>(tag.size()) + 1) & 0xFFFu);
  } else {
    if (!rest.empty() && rest.front() == '%') rest.erase(0, 1);
    std::snprintf(head, sizeof head, "%s%03X", id.c_str(), (length - static_cast<unsigned>(tag.size()) - 1) & 0xFFFu);
  }
  if (length == 0xFFF) std::snprintf(head + 2, sizeof head - 2, "FFF%s", ownPrefix ? "%" : "");
  return head + rest;
}

}  // namespace

int CReceiver::sendTagged(CConnection& conn, const std::string& c, std::string& reply) {
  char tagBuf[16];
  std::snprintf(tagBuf, sizeof tagBuf, "%%%u", Platform::GetTickCount());
  const std::string tag = tagBuf;
  const bool ownPrefix = !c.empty() && c.front() == '%';
  const std::string tagged = ownPrefix ? tag + c.substr(1) : tag + "%" + c;
  const int result = ConnectionAccess::exchange(conn, "Command " + tagged, m_RcvId, &reply);
  if (reply.size() < 5 + tag.size() || reply.compare(5, tag.size(), tag) != 0) {
    ClientLog().WriteTimed("Unexpected reply: " + reply + " \n Command sent: " + tagged);
    return 0;
  }
  reply = untagged(reply, tag, ownPrefix);
  SetReply(reply.c_str());
  return result;
}

int CReceiver::Attach(std::uint8_t slot, Platform::WindowHandle wnd, const char* list) {
  CConnection* conn = m_Conn.load();
  if (slot >= kAttachSlots || m_Windows[slot] || !wnd || !conn || !CheckDevice()) {
    SetReply("ERDLL:Can't be run Attach");
    return 0;
  }
  char head[16];
  std::snprintf(head, sizeof head, "Attach %0x ", slot);
  const int result = conn->SendData((head + std::string(list ? list : "")).c_str(), m_RcvId);
  if (result) {
    m_Windows[slot] = wnd;
    m_Attached = true;
  }
  return result;
}

int CReceiver::Attach(std::uint8_t slot, DataCallback callback, const char* list,
                      std::vector<GPSDATA>* records) {
  CConnection* conn = m_Conn.load();
  if (slot >= kAttachSlots || m_Callbacks[slot] || !conn || !CheckDevice()) {
    SetReply("ERDLL:Can't be run Attach");
    return 0;
  }
  ConnectionState& s = ConnectionAccess::state(*conn);
  if (!s.sysMsg) {  // nothing would ever deliver
    SetReply("ERDLL:Can't be run Attach without SysMsgCallback!");
    return 0;
  }
  // The receiver starts sending as soon as it has the request: be ready for its first
  // messages before the reply arrives, and take the attachment back if it fails.
  {
    Platform::CriticalSectionLock lock(s.dataLock);
    m_Records = records;
    if (records) {
      for (GPSDATA& r : *records) {
        r.data.clear();
        r.maxLength = 0;
      }
    } else {
      m_Callbacks[slot] = callback;
    }
  }
  char head[16];
  std::snprintf(head, sizeof head, "Attach %0x ", slot);
  const int result = conn->SendData((head + std::string(list ? list : "")).c_str(), m_RcvId);
  if (result) {
    m_Attached = true;
  } else {
    Platform::CriticalSectionLock lock(s.dataLock);
    m_Records = nullptr;
    m_Callbacks[slot] = nullptr;
  }
  return result;
}

int CReceiver::Detach(std::uint8_t slot) {
  CConnection* conn = m_Conn.load();
  const bool callbackMode = conn && ConnectionAccess::state(*conn).sysMsg;
  const bool occupied =
      slot < kAttachSlots && (callbackMode ? m_Callbacks[slot] != nullptr : m_Windows[slot] != nullptr);
  if (!occupied || !conn || !CheckDevice()) {
    SetReply("ERDLL:Can't be run Detach");
    return 0;
  }
  char request[16];
  std::snprintf(request, sizeof request, "Detach %0x", slot);
  const int result = conn->SendData(request, m_RcvId);
  if (result) {
    if (callbackMode) {
      Platform::CriticalSectionLock lock(ConnectionAccess::state(*conn).dataLock);
      m_Callbacks[slot] = nullptr;
      m_Records = nullptr;
    } else {
      Platform::PostWindowMessage(m_Windows[slot], kNoticeMessage, 0, reinterpret_cast<std::intptr_t>(this));
      m_Windows[slot] = nullptr;
    }
  }
  m_Attached = false;
  return result;
}

int CReceiver::ReadRecord(std::uint16_t id, GPSDATA& out) {
  CConnection* conn = m_Conn.load();
  if (!conn) return 0;
  Platform::CriticalSectionLock lock(ConnectionAccess::state(*conn).dataLock);
  if (!m_Records) return 0;
  for (const GPSDATA& g : *m_Records) {
    if (g.id != id) continue;
    out.id = g.id;
    out.data = g.data;
    out.maxLength = g.maxLength;
    out.event = g.event;
    out.noCheck = g.noCheck;
    return 1;
  }
  return 0;
}
