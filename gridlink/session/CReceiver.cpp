// CReceiver: open, close, commands and attachments. Downloads are in ReceiverTransfer.cpp,
// delivery of attached data in ReceiverDelivery.cpp.
#include "gridlink/CReceiver.h"

#include <cstdio>

#include "gridlink/CLogFile.h"
#include "gridlink/Framing.h"
#include "gridlink/platform/Clock.h"
#include "gridlink/platform/MessageQueue.h"
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
  m_Download = DOWNLOADINFO();
  if (!conn || !ConnectionAccess::state(*conn).opened) {
    SetReply("ERDLL:User don't opened!");
    return 0;
  }
  if (m_RcvId != 0) {
    SetReply("ERDLL:Receiver already opened.");
    return 0;
  }
  m_Conn = conn;
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
  if (!m_Conn) {
    SetReply("ER:Don't connection to server!");
    return false;
  }
  const ConnectionState& s = ConnectionAccess::state(*m_Conn);
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
  if (!m_Conn || !ConnectionAccess::state(*m_Conn).opened) {
    SetReply("ERDLL:Can't be run Close");
    return 0;
  }
  ConnectionState& s = ConnectionAccess::state(*m_Conn);
  setClosed();
  s.commandOutput = nullptr;
  m_Closing = true;  // from here on the connection thread drops this receiver's data
  if (s.waitingForReply) {
    s.replyReady.Set();
    Platform::Sleep(0);
  } else {
    m_Conn->SendData(disconnect ? "CloseRcv disconnect" : "CloseRcv", m_RcvId);
  }
  if (!s.sysMsg) {
    for (unsigned i = 0; i < kAttachSlots; ++i) {
      if (!m_Windows[i]) continue;
      Platform::PostWindowMessage(m_Windows[i], kNoticeMessage, 0, reinterpret_cast<std::intptr_t>(this));
      break;
    }
  }
  for (auto& w : m_Windows) w = nullptr;
  m_Conn->CloseRcv(m_RcvId);
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
  return m_Result;
}

int CReceiver::SendCommand(const char* cmd, CConnection::CommandOutputCallback output) {
  if (!CheckDevice()) return 0;
  std::string c = cmd ? cmd : "";
  c.erase(0, c.find_first_not_of(' ') == std::string::npos ? c.size() : c.find_first_not_of(' '));
  ConnectionState& s = ConnectionAccess::state(*m_Conn);
  if (s.local && output) {
    s.commandOutput = output;
    if (c.empty()) return 1;
    return m_Conn->SendData(("Command " + c).c_str(), m_RcvId);
  }
  // A command without a callback ends a terminal's raw output, or its reply would never be
  // framed and matched (and every later command would get the raw mode's "RE000").
  if (s.local) s.commandOutput = nullptr;
  if (c.rfind("@scr", 0) == 0) return m_Conn->SendData(("Command " + c).c_str(), m_RcvId);

  char tagBuf[16];
  std::snprintf(tagBuf, sizeof tagBuf, "%%%u", Platform::GetTickCount());
  const std::string tag = tagBuf;
  const bool ownPrefix = !c.empty() && c.front() == '%';
  const std::string tagged = ownPrefix ? tag + c.substr(1) : tag + "%" + c;
  const int result = m_Conn->SendData(("Command " + tagged).c_str(), m_RcvId);
  const std::string reply = GetReplyString();
  if (reply.size() < 5 + tag.size() || reply.compare(5, tag.size(), tag) != 0) {
    ClientLog().WriteTimed("Unexpected reply: " + reply + " \n Command sent: " + tagged);
    return 0;
  }
  // Take the tag out again, so the caller sees the reply to the command it sent.
  const std::string id = reply.substr(0, 2);
  const unsigned length = Zrx::hexField(3, reply.data() + 2);
  std::string rest = reply.substr(5 + tag.size());
  char head[16];
  if (ownPrefix) {
    std::snprintf(head, sizeof head, "%s%03X%%", id.c_str(),
                  (length - static_cast<unsigned>(tag.size()) + 1) & 0xFFFu);
  } else {
    if (!rest.empty() && rest.front() == '%') rest.erase(0, 1);
    std::snprintf(head, sizeof head, "%s%03X", id.c_str(),
                  (length - static_cast<unsigned>(tag.size()) - 1) & 0xFFFu);
  }
  if (length == 0xFFF) std::snprintf(head + 2, sizeof head - 2, "FFF%s", ownPrefix ? "%" : "");
  SetReply((head + rest).c_str());
  return result;
}

int CReceiver::Attach(std::uint8_t slot, Platform::WindowHandle wnd, const char* list) {
  if (slot >= kAttachSlots || m_Windows[slot] || !wnd || !CheckDevice()) {
    SetReply("ERDLL:Can't be run Attach");
    return 0;
  }
  char head[16];
  std::snprintf(head, sizeof head, "Attach %0x ", slot);
  if (m_Conn->SendData((head + std::string(list ? list : "")).c_str(), m_RcvId)) {
    m_Windows[slot] = wnd;
    m_Attached = true;
  }
  return m_Result;
}

int CReceiver::Attach(std::uint8_t slot, DataCallback callback, const char* list,
                      std::vector<GPSDATA>* records) {
  if (slot >= kAttachSlots || m_Callbacks[slot] || !CheckDevice()) {
    SetReply("ERDLL:Can't be run Attach");
    return 0;
  }
  // The receiver starts sending as soon as it has the request: be ready for its first
  // messages before the reply arrives, and take the attachment back if it fails.
  ConnectionState& s = ConnectionAccess::state(*m_Conn);
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
  if (m_Conn->SendData((head + std::string(list ? list : "")).c_str(), m_RcvId)) {
    m_Attached = true;
  } else {
    Platform::CriticalSectionLock lock(s.dataLock);
    m_Records = nullptr;
    m_Callbacks[slot] = nullptr;
  }
  return m_Result;
}

int CReceiver::Detach(std::uint8_t slot) {
  const bool callbackMode = m_Conn && ConnectionAccess::state(*m_Conn).sysMsg;
  const bool occupied =
      slot < kAttachSlots && (callbackMode ? m_Callbacks[slot] != nullptr : m_Windows[slot] != nullptr);
  if (!occupied || !CheckDevice()) {
    SetReply("ERDLL:Can't be run Detach");
    return 0;
  }
  char request[16];
  std::snprintf(request, sizeof request, "Detach %0x", slot);
  if (m_Conn->SendData(request, m_RcvId)) {
    if (callbackMode) {
      Platform::CriticalSectionLock lock(ConnectionAccess::state(*m_Conn).dataLock);
      m_Callbacks[slot] = nullptr;
      m_Records = nullptr;
    } else {
      Platform::PostWindowMessage(m_Windows[slot], kNoticeMessage, 0, reinterpret_cast<std::intptr_t>(this));
      m_Windows[slot] = nullptr;
    }
  }
  m_Attached = false;
  return m_Result;
}
