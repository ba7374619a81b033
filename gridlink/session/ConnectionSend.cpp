// CConnection::SendData: one request out, one reply back. The reply arrives on the connection
// thread, which fills the caller's exchange and signals reply-ready; the caller waits in
// slices, pumping its window messages. Local requests run on the connection's request worker.
#include <algorithm>
#include <cstring>

#include "gridlink/CLogFile.h"
#include "gridlink/TrafficLog.h"
#include "gridlink/platform/MessagePump.h"
#include "session/ConnectionEvents.h"
#include "session/ConnectionState.h"
#include "session/LocalServer.h"
#include "session/RequestPacket.h"

namespace {

constexpr int kWriteSeconds = 999;
// Longer than any request of the local server (the line-speed search of an open is the
// longest); a wait for the send lock or a local request beyond it means something is stuck.
constexpr std::uint32_t kSendLockWaitMs = 300000;
constexpr std::uint32_t kLocalRequestWaitMs = 600000;
constexpr std::uint32_t kRemoteOpenWaitMs = 120000;

std::uint32_t remoteWaitMs(unsigned seconds) {
  const std::uint64_t ms = std::uint64_t{seconds} * 1000u;
  return ms > 0xFFFFFFF0u ? 0xFFFFFFF0u : static_cast<std::uint32_t>(ms);
}

// Sets the reply text and result of the request's target without touching the exchange in
// flight (a refused request must not end another one).
void setTarget(ConnectionState& s, const RcvRef& receiver, std::uint8_t rcvId, std::string_view text,
               std::uint8_t result) {
  if (receiver) {
    ConnectionAccess::setReply(*receiver.get(), std::string(text).c_str(), result);
  } else if (rcvId == 0) {
    std::lock_guard lock(s.replyLock);
    s.replyText = text;
    s.replyResult = result;
  }
}

int refuse(ConnectionState& s, std::uint8_t rcvId, std::string_view why, std::string* reply) {
  setTarget(s, ConnectionAccess::find(s, rcvId), rcvId, why, 0);
  ClientLog().WriteTimed(std::string(why));
  if (reply) *reply = why;
  return 0;
}

bool answered(ConnectionState& s, const Exchange& ex) {
  std::lock_guard lock(s.exchangeLock);
  return ex.answered;
}

// Runs the packet through the local server, on the worker while this thread pumps when the
// program has a pump hook installed; the text of the failure, empty when the reply came back.
std::string_view runLocal(ConnectionState& s, std::vector<std::uint8_t> wire, const Exchange& ex) {
  if (!Platform::PumpHookInstalled()) {  // nothing to pump: no need to hand it over
    if (s.local) s.local->Process(wire.data(), wire.size());
    return answered(s, ex) ? std::string_view() : ServerLink::kReceiverDontReply;
  }
  std::shared_ptr<Platform::Event> done = s.worker.Submit([&s, wire = std::move(wire)] {
    if (s.local) s.local->Process(wire.data(), wire.size());
  });
  if (!done) return ServerLink::kNoConnection;
  if (Platform::WaitPumping(*done, kLocalRequestWaitMs) != Platform::WaitResult::Signalled)
    ClientLog().WriteTimed("Local request did not end in time");
  return answered(s, ex) ? std::string_view() : ServerLink::kReceiverDontReply;
}

std::string_view runRemote(ConnectionState& s, const std::vector<std::uint8_t>& wire, const Exchange& ex,
                           std::uint32_t limitMs, bool opening) {
  if (s.socket.Write(reinterpret_cast<const char*>(wire.data()), static_cast<int>(wire.size()), kWriteSeconds) !=
      static_cast<int>(wire.size()))
    return ServerLink::kNoConnection;
  std::uint32_t waitMs = std::min(remoteWaitMs(s.timeoutSeconds), limitMs);
  // The server's open may search the line speeds or dial a modem, which outlasts a command's
  // time-out; its answer is worth the wait, up to the longest such open.
  if (opening) waitMs = std::min(std::max(waitMs, kRemoteOpenWaitMs), limitMs);
  s.waitingForOpen = opening;
  Platform::WaitPumping(s.replyReady, waitMs, ServerLink::kReplySliceMs);
  s.waitingForOpen = false;
  return answered(s, ex) ? std::string_view() : ServerLink::kReceiverDontReply;
}

void sendDeferredCloses(CConnection& c, ConnectionState& s) {
  std::vector<std::pair<std::uint8_t, std::string>> closes;
  {
    std::lock_guard lock(s.deferLock);
    closes.swap(s.deferredCloses);
  }
  for (const auto& [id, request] : closes) ConnectionAccess::exchange(c, request, id, nullptr);
}

}  // namespace

bool ConnectionAccess::onCallbackThread(ConnectionState& s) {
  std::lock_guard lock(s.callbackLock);
  return std::find(s.callbackThreads.begin(), s.callbackThreads.end(), std::this_thread::get_id()) !=
         s.callbackThreads.end();
}

const char* ConnectionAccess::refusal(ConnectionState& s) {
  if (s.exchangeThread.load() == std::this_thread::get_id()) return ServerLink::kRequestInProgress.data();
  if (onCallbackThread(s)) return ServerLink::kRequestFromCallback.data();
  return nullptr;
}

int ConnectionAccess::closeLink(CConnection& c, std::uint8_t id, bool disconnect) {
  ConnectionState& s = *c.m_State;
  const char* request = disconnect ? "CloseRcv disconnect" : "CloseRcv";
  if (s.exchangeThread.load() == std::this_thread::get_id()) {
    std::lock_guard lock(s.deferLock);
    s.deferredCloses.emplace_back(id, request);
    return 1;
  }
  return exchange(c, request, id, nullptr);
}

bool ConnectionAccess::enterSend(CConnection& c, std::uint8_t rcvId, std::string* reply, std::uint32_t lockWaitMs,
                                 std::string_view busyText) {
  ConnectionState& s = *c.m_State;
  if (const char* why = refusal(s)) {
    refuse(s, rcvId, why, reply);
    return false;
  }
  if (Platform::EnterPumping(s.sendLock, lockWaitMs != 0 ? lockWaitMs : kSendLockWaitMs)) return true;
  if (!busyText.empty()) {
    // A raw write's refusal is its caller's alone: the receiver's reply text stays another
    // thread's command's.
    if (reply) *reply = busyText;
    return false;
  }
  refuse(s, rcvId, ServerLink::kConnectionBusy, reply);
  return false;
}

int ConnectionAccess::exchange(CConnection& c, std::string_view request, std::uint8_t rcvId, std::string* reply,
                               std::uint32_t limitMs, std::uint32_t lockWaitMs, std::string_view busyText) {
  ConnectionState& s = *c.m_State;
  if (s.terminated && !refusal(s)) {
    c.SetReply(rcvId, ServerLink::kNoConnection.data(), 0);
    if (reply) *reply = ServerLink::kNoConnection;
    return 0;
  }
  if (!enterSend(c, rcvId, reply, lockWaitMs, busyText)) return 0;
  std::lock_guard<Platform::FairLock> held(s.sendLock, std::adopt_lock);

  Exchange ex;
  ex.marker = rcvId + 1;
  ex.quiet = request.rfind("WriteRaw ", 0) == 0;
  s.replyResult = 0;
  RcvRef receiver = find(s, rcvId);
  // Corrections written beside the commands leave the receiver's reply text and result alone.
  const bool rawWrite = ex.quiet;
  if (rcvId != 0 && receiver && !rawWrite) clearResult(*receiver.get());
  const bool local = s.local != nullptr;
  const bool scramble = !local && (s.crypt & 1u) != 0;
  std::vector<std::uint8_t> wire = ServerLink::buildRequestWire(request, rcvId, scramble, s.key);
  if (s.terminated || wire.empty()) {  // the connection may have ended while we waited for the lock
    const std::string_view text = s.terminated ? ServerLink::kNoConnection : ServerLink::kCantEncrypt;
    c.SetReply(rcvId, std::string(text).c_str(), 0);
    if (reply) *reply = text;
    return 0;
  }
  const std::string who = receiver ? receiver->GetReceiverName() : c.GetUserNameA();
  // Raw bytes as digits tell a reader nothing; their count does.
  const std::string logged = request.rfind("WriteRaw ", 0) == 0
                                 ? "WriteRaw (" + std::to_string((request.size() - 9) / 2) + " bytes)"
                                 : std::string(request);
  ClientLog().WriteTimed(who + " > " + logged);
  Gridlink::TrafficLog::Sent(who, logged);

  {
    std::lock_guard lock(s.exchangeLock);
    s.exchange = &ex;
  }
  s.replyReady.Reset();
  s.waitingForReply = true;
  s.pendingReply = rcvId + 1;
  s.exchangeThread = std::this_thread::get_id();
  const bool opening = request.rfind("OpenRcv ", 0) == 0;
  const std::string_view failure =
      local ? runLocal(s, std::move(wire), ex) : runRemote(s, wire, ex, limitMs, opening);
  // Anything that comes later is dropped as a reply nobody waits for.
  if (!failure.empty()) c.SetReply(rcvId, std::string(failure).c_str(), 0);
  {
    std::lock_guard lock(s.exchangeLock);
    s.exchange = nullptr;
  }
  s.exchangeThread = std::thread::id();
  s.waitingForReply = false;
  // The target's text is this exchange's again, whatever a refused request left there.
  if (!rawWrite) setTarget(s, receiver, rcvId, ex.reply, ex.result);
  Gridlink::TrafficLog::Received(who, ex.reply);
  if (reply) *reply = ex.reply;
  sendDeferredCloses(c, s);
  if (rcvId != 0 && !receiver) return s.replyResult;
  return ex.result;
}

int CConnection::SendData(const char* request, std::uint8_t rcvId) {
  return ConnectionAccess::exchange(*this, request ? request : "", rcvId, nullptr);
}

int CConnection::CryptPacket(const unsigned char* in, unsigned char* out, std::uint32_t n) {
  const std::vector<std::uint8_t> frame = ServerLink::CryptPacket(in, n, m_State->key);
  if (frame.empty()) return 0;
  std::memcpy(out, frame.data(), frame.size());
  return static_cast<int>(frame.size());
}

int CConnection::UnCryptPacket(unsigned char* frame, std::size_t available) {
  return static_cast<int>(ServerLink::UnCryptPacket(frame, available, m_State->key));
}
