#pragma once
// The state of one CConnection, shared by its caller-side operations, its connection thread,
// its message thread and its local server. Which thread touches what:
//   - reply text/result: written by whoever completes a reply (connection thread, or
//     SendData on a failure), read by callers; guarded by replyLock;
//   - receivers: the map is changed under the send lock and read by the threads, all under
//     mapLock; a thread that uses a receiver takes a counted reference first;
//   - ring: the connection thread writes, the message thread reads (lock-free, see DataRing);
//   - the exchange in flight: the requesting thread owns it for the exchange, the connection
//     thread fills it with the reply; under exchangeLock.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "gridlink/CBlockingSocket.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "gridlink/platform/CriticalSection.h"
#include "gridlink/platform/Event.h"
#include "gridlink/platform/FairLock.h"
#include "gridlink/platform/Thread.h"
#include "session/DataRing.h"
#include "session/PacketHandoff.h"
#include "session/RequestWorker.h"
#include "session/TlsTrust.h"

class LocalServer;

// A counted reference to a receiver.
class RcvRef {
 public:
  RcvRef() = default;
  explicit RcvRef(CReceiver* r) : m_R(r) {
    if (m_R) m_R->AddRef();
  }
  RcvRef(const RcvRef& o) : RcvRef(o.m_R) {}
  RcvRef(RcvRef&& o) noexcept : m_R(o.m_R) { o.m_R = nullptr; }
  RcvRef& operator=(RcvRef o) noexcept {
    std::swap(m_R, o.m_R);
    return *this;
  }
  ~RcvRef() {
    if (m_R) m_R->Release();
  }
  CReceiver* get() const { return m_R; }
  CReceiver* operator->() const { return m_R; }
  explicit operator bool() const { return m_R != nullptr; }

 private:
  CReceiver* m_R = nullptr;
};

// One request's reply, kept for the thread that asked, so that no other thread's request can
// take its place between the reply and the caller reading it.
struct Exchange {
  int marker = 0;  // rcvId + 1
  bool answered = false;
  std::string reply;
  std::uint8_t result = 0;
  bool quiet = false;  // its reply is the caller's alone, not the receiver's reply text
};

struct ConnectionState {
  explicit ConnectionState(CConnection* owner);
  ~ConnectionState();  // where LocalServer is complete

  CConnection* const self;

  mutable std::mutex replyLock;
  std::string replyText;
  std::atomic<std::uint8_t> replyResult{0};

  std::atomic<bool> opened{false};
  std::atomic<std::uint8_t> countRcv{0};
  std::atomic<int> pendingReply{0};  // rcvId + 1 of the request in flight, 0 when none
  std::atomic<std::int8_t> lastException{0};

  CConnection::SysMsgCallback sysMsg = nullptr;
  CConnection::DetectAbortCallback detectAbort = nullptr;
  std::atomic<CConnection::CommandOutputCallback> commandOutput{nullptr};

  std::atomic<bool> stopMessageThread{false};
  std::atomic<bool> terminated{true};
  std::atomic<bool> waitingForReply{false};
  // The request waited for opens a receiver on a remote server: a quiet line is the server
  // at work, not a lost connection (the requester's own wait bounds it).
  std::atomic<bool> waitingForOpen{false};
  std::atomic<bool> messageThreadRunning{false};

  Platform::Event replyReady{Platform::EventReset::Auto};
  Platform::Event messageWake{Platform::EventReset::Auto};
  Platform::Event connStarted{Platform::EventReset::Manual};

  CBlockingSocket socket;
  std::unique_ptr<LocalServer> local;
  ServerLink::PacketHandoff handoff;  // local server -> connection thread
  std::unique_ptr<Platform::Thread> connThread, msgThread;
  Session::RequestWorker worker;  // runs the local server's requests

  std::mutex exchangeLock;
  Exchange* exchange = nullptr;                   // the request in flight, null when none
  std::atomic<std::thread::id> exchangeThread{};  // the thread waiting for it
  std::mutex deferLock;
  std::vector<std::pair<std::uint8_t, std::string>> deferredCloses;  // made while it waited

  // Threads running the system-message callback; those that overran their wait are kept here
  // until the connection is closed, so it never goes away under them.
  std::mutex callbackLock;
  std::vector<std::thread::id> callbackThreads;
  std::vector<std::unique_ptr<Platform::Thread>> lateCallbacks;

  std::string userName, serverName;
  mutable std::mutex nameLock;

  mutable std::mutex mapLock;
  std::map<std::uint8_t, RcvRef> receivers;

  std::uint32_t idCounter = 0;
  std::atomic<std::uint64_t> receivedBytes{0};

  std::atomic<unsigned> timeoutSeconds{CConnection::kDefaultTimeoutSeconds};
  std::atomic<std::uint32_t> loginWaitMs{CConnection::kLoginWaitMs};
  unsigned crypt = 1;
  ServerLink::TlsSettings tls;
  std::atomic<unsigned> logLevel{0};
  std::string key;

  Platform::FairLock sendLock;  // one request at a time, in the order they came
  Platform::CriticalSection dataLock;

  ServerLink::DataRing ring;

  // Connection-level download state of GetMsg (the four DOWNLOADINFO values).
  DOWNLOADINFO msgDownload;
  std::FILE* msgFile = nullptr;
};

// Internal access to the private parts of the exported classes.
struct ConnectionAccess {
  static ConnectionState& state(CConnection& c) { return *c.m_State; }
  static const ConnectionState& state(const CConnection& c) { return *c.m_State; }
  // Sends one request and waits for its reply (SendData); the caller's own reply text goes
  // to reply when given. limitMs bounds a remote wait below the connection time-out.
  // lockWaitMs bounds the wait for the send lock (0: the connection's own, 5 min); a request
  // that finds the connection busy for longer fails with `busyText`.
  static int exchange(CConnection& c, std::string_view request, std::uint8_t rcvId, std::string* reply,
                      std::uint32_t limitMs = 0xFFFFFFF0u, std::uint32_t lockWaitMs = 0,
                      std::string_view busyText = {});
  // Takes the send lock for a request of this thread (pumping while another holds it); false,
  // with the refusal as the target's reply and in reply, when it may not or cannot.
  static bool enterSend(CConnection& c, std::uint8_t rcvId, std::string* reply, std::uint32_t lockWaitMs = 0,
                        std::string_view busyText = {});
  // "CloseRcv" for a receiver: sent now, or when this thread's waiting request has ended.
  static int closeLink(CConnection& c, std::uint8_t id, bool disconnect);
  // Null when this thread may make a request now, else why not.
  static const char* refusal(ConnectionState& s);
  static bool onCallbackThread(ConnectionState& s);
  static RcvRef find(ConnectionState& s, std::uint8_t id) {
    std::lock_guard lock(s.mapLock);
    auto it = s.receivers.find(id);
    return it == s.receivers.end() ? RcvRef() : it->second;
  }
  // Receiver-side state the connection threads need.
  static bool closing(const CReceiver& r) { return r.m_Closing.load(); }
  static bool opened(const CReceiver& r) { return r.isOpened(); }
  static bool attached(const CReceiver& r) { return r.m_Attached.load(); }
  static bool logTraffic(const CReceiver& r) { return r.m_LogTraffic.load(); }
  static void addReceived(CReceiver& r, int n) { r.m_BytesReceived += n; }
  static void setReply(CReceiver& r, const char* text, std::uint8_t result) {
    r.setReplyResult(text, result);
  }
  static void clearResult(CReceiver& r) { r.m_Result = 0; }
  // The connection closed the receiver on its way out.
  static void connectionGone(CReceiver& r) { r.m_ClosedOnLiveConnection = false; }
  static std::uint8_t result(const CReceiver& r) { return r.m_Result.load(); }
  static std::string name(const CReceiver& r) { return r.GetReceiverName(); }
  // Download traffic (kind 8): rewrites msg into its report.
  static void serverTransfer(CConnection& c, std::string& msg);
  // A reply packet's work: the waiting request's reply, or a log line when none waits for it.
  static void completeReply(CConnection& c, std::uint8_t rcvId, const std::string& text, std::uint8_t result);
  static void receiverTransfer(CReceiver& r, std::string& msg) { msg = r.transfer(msg); }
  // Message thread, under the data lock.
  static void deliver(CReceiver& r, std::uint8_t attachSlot, std::uint8_t msgSlot,
                      const std::vector<std::uint8_t>& data);
};
