// CConnection: opening, closing and the plain accessors. Sending is in ConnectionSend.cpp,
// the threads in ConnectionThread.cpp and MessageThread.cpp, server messages in
// ConnectionMessages.cpp.
#include "gridlink/CConnection.h"

#include <cstdlib>
#include <thread>
#include <vector>

#include "gridlink/CLogFile.h"
#include "gridlink/CProfile.h"
#include "gridlink/platform/MessagePump.h"
#include "gridlink/platform/WindowMessage.h"
#include "session/ConnectionEvents.h"
#include "session/ConnectionState.h"
#include "session/LocalServer.h"
#include "session/PacketScrambler.h"

std::uint32_t CConnection::nRegMsg[4] = {
    Platform::RegisterWindowMessage("WM_ZRXDATA"), Platform::RegisterWindowMessage("WM_CMRDATA"),
    Platform::RegisterWindowMessage("WM_NMEADATA"), Platform::RegisterWindowMessage("WM_RTCMDATA")};

namespace {

// Bounds for stopping the threads: the connection thread wakes at once (the mailbox or the
// socket is shut), but it may be running a system-message callback, itself bounded.
constexpr std::uint32_t kThreadJoinMs = 15000;
constexpr std::uint32_t kStartWaitMs = 5000;
constexpr std::uint32_t kCallbackWaitMs = 10000;
constexpr std::uint32_t kCloseLockWaitMs = 300000;

std::string trimmed(const char* s) {
  std::string t = s ? s : "";
  const auto b = t.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  const auto e = t.find_last_not_of(" \t\r\n");
  return t.substr(b, e - b + 1);
}

}  // namespace

ConnectionState::ConnectionState(CConnection* owner) : self(owner) {}
ConnectionState::~ConnectionState() = default;

CConnection::CConnection() : m_State(std::make_unique<ConnectionState>(this)) {
  ClientLog().Open("Client.log");
}

CConnection::~CConnection() {
  {
    std::lock_guard lock(m_State->sendLock);
    TerminateUsr(nullptr);
  }
  m_State->worker.Stop(kThreadJoinMs);
  joinLateCallbacks();
  m_State->local.reset();
}

CProfile& CConnection::getProfile() {
  static CProfile profile;
  return profile;
}

namespace {

// "host:port/anything": the part after "/" is cut off. The port takes up to five digits, so
// that every TCP port can be named. Null or empty: the local server.
std::string splitServer(const char* server, unsigned& port) {
  port = ServerLink::kRemoteServerPort;
  if (!server || !*server) return "LServer";
  std::string host = server;
  if (auto slash = host.find('/'); slash != std::string::npos) host.resize(slash);
  if (auto colon = host.find(':'); colon != std::string::npos) {
    const std::string digits = host.substr(colon + 1, 5);
    port = static_cast<unsigned>(std::strtoul(digits.c_str(), nullptr, 10));
    host.resize(colon);
  }
  return host;
}

}  // namespace

bool CConnection::openServer(const std::string& host, unsigned port) {
  ConnectionState& s = *m_State;
  s.local.reset();
  s.stopMessageThread = false;
  s.connStarted.Reset();
  s.replyReady.Reset();
  s.ring.DiscardPending();
  if (host == "LServer") {
    s.local = std::make_unique<LocalServer>(this);
    s.handoff.Reopen();  // requests to the local server are never scrambled (see SendData)
    return true;
  }
  try {
    s.socket.Create();
    s.socket.Connect(CBlockingSocket::GetHostByName(host.c_str(), static_cast<std::uint16_t>(port)));
  } catch (const CBlockingSocketException& e) {
    // A refused "localhost" is refused like any other host: a closed socket serves nobody.
    ClientLog().WriteTimed(e.GetTextError());
    s.socket.Cleanup();
    SetReply("ERDLL:Don't connection to server!");
    return false;
  }
  return true;
}

// Before the connection thread reads and before any login goes out.
bool CConnection::startTls(const std::string& server, const std::string& host, unsigned port) {
  ConnectionState& s = *m_State;
  if (s.local || !ServerLink::TlsWanted(s.tls, server)) return true;
  const std::string hostPort = host + ":" + std::to_string(port);
  CTlsPeer peer;
  std::string error;
  const std::uint32_t waitMs = std::max<std::uint32_t>(s.loginWaitMs, 5000);
  if (!s.socket.StartTlsClient(host, s.tls.caFile, static_cast<int>(waitMs), peer, error)) {
    SetReply(("ERDLL:TLS with " + hostPort + " failed: " + error).c_str());
  } else if (ServerLink::TrustServer(s.tls, hostPort, peer, error)) {
    return true;
  } else {
    SetReply(error.c_str());
  }
  s.socket.Cleanup();
  return false;
}

void CConnection::SetTls(bool on, const char* caFile, const char* fingerprint) {
  m_State->tls.on = on ? 1 : 0;
  m_State->tls.caFile = caFile ? caFile : "";
  m_State->tls.fingerprint = fingerprint ? fingerprint : "";
}

void CConnection::SetTlsTrustCallback(TlsTrustCallback callback, void* param) {
  m_State->tls.ask = callback;
  m_State->tls.askParam = param;
}

bool CConnection::startThreads() {
  ConnectionState& s = *m_State;
  bool ok = !s.local || s.worker.Start();
  if (ok && s.sysMsg) {
    s.msgThread = std::make_unique<Platform::Thread>("gl-message", kThreadJoinMs);
    s.messageThreadRunning = true;
    ok = s.msgThread->Start([this](Platform::ThreadContext&) { ThreadMessage(this); });
  }
  if (ok) {
    s.connThread = std::make_unique<Platform::Thread>("gl-connection", kThreadJoinMs);
    ok = s.connThread->Start([this](Platform::ThreadContext&) { TCPThreadConnect(this); }) &&
         s.connStarted.Wait(kStartWaitMs) == Platform::WaitResult::Signalled;
  }
  if (!ok) {
    SetReply("ERDLL:TCPThread aborted!");
    TerminateUsr(nullptr);
  }
  return ok;
}

int CConnection::Open(const char* server, const char* user, const char* password, const char* application,
                      DetectAbortCallback detectAbort) {
  ConnectionState& s = *m_State;
  if (!s.sysMsg && (nRegMsg[0] == 0 || nRegMsg[1] == 0 || nRegMsg[2] == 0 || nRegMsg[3] == 0))
    SetReply("ERDLL:Can't define number message!");
  {
    std::lock_guard lock(s.nameLock);
    s.userName = trimmed(user);
  }
  s.key = std::string(ServerLink::kPacketKey);
  if (s.opened) {
    SetReply("ERDLL:Connection don't be closed!");
    return 0;
  }
  unsigned port = 0;
  const std::string host = splitServer(server, port);
  {
    std::lock_guard lock(s.nameLock);
    s.serverName = host;
  }
  if (!openServer(host, port) || !startTls(server ? server : "", host, port) || !startThreads()) return 0;
  s.detectAbort = detectAbort;
  const std::string request =
      "OpenUsr " + trimmed(user) + " " + (password ? password : "") + " " + (application ? application : "");
  // A server that takes the connection but never answers must not hold the caller for the
  // whole connection time-out, which the program can only set after this.
  s.opened = ConnectionAccess::exchange(*this, request, 0, nullptr, s.loginWaitMs) != 0;
  if (!s.opened) {
    // Leave the object reusable: no threads stay behind a failed open.
    const std::string reply = GetReplyString();
    TerminateUsr(nullptr);
    SetReply(reply.c_str());
    return 0;
  }
  return 1;
}

int CConnection::Close(const char* reason) {
  ConnectionState& s = *m_State;
  if (s.exchangeThread.load() == std::this_thread::get_id()) {
    // Called from a window handler while this thread waits for a reply: the waiting request
    // still needs the connection.
    SetReply(std::string(ServerLink::kRequestInProgress).c_str());
    return 0;
  }
  const bool held = Platform::EnterPumping(s.sendLock, kCloseLockWaitMs);
  if (!held) ClientLog().WriteTimed("Close: the connection stayed busy; closing anyway");
  TerminateUsr(reason);
  const std::string text = GetReplyString() + " Receive=" + std::to_string(s.receivedBytes.load());
  SetReply(text.c_str());
  if (held) s.sendLock.Leave();
  return 1;
}

void CConnection::TerminateReceivers() {
  ConnectionState& s = *m_State;
  std::map<std::uint8_t, RcvRef> receivers;
  {
    std::lock_guard lock(s.mapLock);
    receivers = s.receivers;  // keep them alive while they close
  }
  for (auto& [id, r] : receivers) {
    r->Close(false);
    r->setRcvID(0);
    ConnectionAccess::connectionGone(*r.get());
  }
  std::lock_guard lock(s.mapLock);
  s.receivers.clear();
}

void CConnection::TerminateUsr(const char*) {
  ConnectionState& s = *m_State;
  std::lock_guard lock(s.sendLock);
  TerminateReceivers();
  s.terminated = true;
  s.socket.Cleanup();
  if (ConnectionAccess::onCallbackThread(s)) {
    ClientLog().WriteTimed("Can't delete Connection from CallBack!");
    return;
  }
  s.handoff.Close();
  if (!s.worker.Stop(kThreadJoinMs)) ClientLog().WriteTimed("Request worker did not stop");
  if (s.connThread) {
    if (!s.connThread->Stop(kThreadJoinMs)) ClientLog().WriteTimed("Connection thread did not stop");
    s.connThread.reset();
  }
  s.stopMessageThread = true;
  s.messageWake.Set();
  if (s.msgThread) {
    if (!s.msgThread->Stop(kThreadJoinMs)) ClientLog().WriteTimed("Message thread did not stop");
    s.msgThread.reset();
  }
  joinLateCallbacks();
  s.messageThreadRunning = false;
  s.opened = false;
}

void CConnection::joinLateCallbacks() {
  ConnectionState& s = *m_State;
  std::vector<std::unique_ptr<Platform::Thread>> late;
  {
    std::lock_guard lock(s.callbackLock);
    late.swap(s.lateCallbacks);
  }
  for (auto& t : late)
    if (!t->Join(kThreadJoinMs)) ClientLog().WriteTimed("System-message callback still running; left behind");
}

std::uint32_t CConnection::createRcvUniqueID() {
  ConnectionState& s = *m_State;
  // Ids are 8-bit on the wire; 0 means "connection level" and is never handed out, nor is an
  // id still in use.
  for (int i = 0; i < 256; ++i) {
    const auto id = static_cast<std::uint8_t>(++s.idCounter);
    if (id != 0 && !s.receivers.count(id)) return id;
  }
  return 0;
}

// The map has a lock of its own; the send lock keeps ids from changing under a request. A
// caller that finds the connection busy waits pumping, and goes on alone after the bound.
std::uint32_t CConnection::RegRcv(CReceiver* receiver) {
  ConnectionState& s = *m_State;
  const bool held = Platform::EnterPumping(s.sendLock, kCloseLockWaitMs);
  std::unique_lock<Platform::FairLock> lock(s.sendLock, std::adopt_lock);
  if (!held) lock.release();
  std::lock_guard mapLock(s.mapLock);
  const std::uint32_t id = createRcvUniqueID();
  if (id != 0) s.receivers[static_cast<std::uint8_t>(id)] = RcvRef(receiver);
  return id;
}

int CConnection::CloseRcv(std::uint8_t id) {
  ConnectionState& s = *m_State;
  const bool held = Platform::EnterPumping(s.sendLock, kCloseLockWaitMs);
  std::unique_lock<Platform::FairLock> lock(s.sendLock, std::adopt_lock);
  if (!held) lock.release();
  RcvRef dropped;  // released after the map lock is left
  std::lock_guard mapLock(s.mapLock);
  auto it = s.receivers.find(id);
  if (it != s.receivers.end()) {
    dropped = std::move(it->second);
    s.receivers.erase(it);
  }
  return 1;
}

int CConnection::GetRcvList() {
  if (!m_State->opened) {
    SetReply("ERDLL:Connect to server don't open!");
    return 0;
  }
  const int r = SendData("GetRcvList", 0);
  if (r == 0) return 0;
  m_State->countRcv = static_cast<std::uint8_t>(r - 1);
  return r - 1;
}

int CConnection::GetSourceTable() {
  if (!m_State->opened) return 0;
  return SendData("GetSourceTable", 0);
}

void CConnection::SetReply(const char* text) {
  {
    std::lock_guard lock(m_State->replyLock);
    m_State->replyText = text ? text : "";
  }
  ClientLog().WriteTimed(text ? text : "");
}

void CConnection::SetReply(int rcvId, const char* text, std::uint8_t result) {
  ConnectionState& s = *m_State;
  const char* t = text ? text : "";
  bool quiet = false;
  {
    std::lock_guard lock(s.exchangeLock);
    quiet = s.exchange && s.exchange->marker == rcvId + 1 && !s.exchange->answered && s.exchange->quiet;
  }
  if (quiet) {
    ClientLog().WriteTimed(std::string("< ") + t);
  } else if (rcvId < 1) {
    {
      std::lock_guard lock(s.replyLock);
      s.replyText = t;
    }
    s.replyResult = result;
    ClientLog().WriteTimed(GetUserNameA() + " < " + t);
  } else if (RcvRef r = ConnectionAccess::find(s, static_cast<std::uint8_t>(rcvId))) {
    ConnectionAccess::setReply(*r.get(), t, result);
    ClientLog().WriteTimed(r->GetReceiverName() + " < " + t);
  } else {
    ClientLog().WriteTimed(t);
  }
  {
    // The waiting caller's own copy: no other request can take its place before it reads it.
    std::lock_guard lock(s.exchangeLock);
    if (s.exchange && s.exchange->marker == rcvId + 1 && !s.exchange->answered) {
      s.exchange->answered = true;
      s.exchange->reply = t;
      s.exchange->result = result;
    }
  }
  s.pendingReply = 0;
}

std::string CConnection::GetReplyString() const {
  std::lock_guard lock(m_State->replyLock);
  return m_State->replyText;
}
std::string CConnection::GetUserNameA() const {
  std::lock_guard lock(m_State->nameLock);
  return m_State->userName;
}
std::string CConnection::GetIPServer() const {
  std::lock_guard lock(m_State->nameLock);
  return m_State->serverName;
}
std::uint8_t CConnection::GetCountRcv() const {
  return m_State->countRcv;
}
std::int8_t CConnection::GetLastException() const {
  return m_State->lastException;
}
void CConnection::SetSysMsgCallback(SysMsgCallback callback) {
  m_State->sysMsg = callback;
}
void CConnection::SetLogDetailLevel(unsigned level) {
  m_State->logLevel = level;
}
void CConnection::SetTimeout(unsigned seconds) {
  m_State->timeoutSeconds = seconds;
}
std::int32_t CConnection::GetTimeout() const {
  return static_cast<std::int32_t>(m_State->timeoutSeconds.load());
}
void CConnection::SetCrypt(unsigned on) {
  m_State->crypt = on & 1u;
}
bool CConnection::isLocalServerConn() const {
  return m_State->local != nullptr;
}

void CConnection::CreateException(const char* text, std::uint8_t code) {
  ConnectionState& s = *m_State;
  s.lastException = static_cast<std::int8_t>(code);
  {
    std::lock_guard lock(s.replyLock);
    s.replyText = text ? text : "";
  }
  if (s.logLevel != 0 || !s.sysMsg) ClientLog().WriteTimed(GetUserNameA() + " < " + (text ? text : ""));
  if (!s.sysMsg) return;
  // The callback gets a thread of its own and no lock of ours, so that it can post and
  // return; one that overruns its wait is kept and joined when the connection closes.
  auto t = std::make_unique<Platform::Thread>("gl-event", 0);
  SysMsgCallback cb = s.sysMsg;
  const bool started = t->Start([this, cb, &s](Platform::ThreadContext&) {
    {
      std::lock_guard lock(s.callbackLock);
      s.callbackThreads.push_back(std::this_thread::get_id());
    }
    cb(this);
    std::lock_guard lock(s.callbackLock);
    std::erase(s.callbackThreads, std::this_thread::get_id());
  });
  if (!started || t->Join(kCallbackWaitMs)) return;
  ClientLog().WriteTimed("System-message callback did not return in time");
  std::lock_guard lock(s.callbackLock);
  s.lateCallbacks.push_back(std::move(t));
}
