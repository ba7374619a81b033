// CConnection::SendData: one request out, one reply back. The reply arrives on the connection
// thread, which signals reply-ready; the caller waits in slices, pumping its window messages.
#include <cstring>

#include "gridlink/CLogFile.h"
#include "gridlink/platform/MessagePump.h"
#include "session/ConnectionEvents.h"
#include "session/ConnectionState.h"
#include "session/LocalServer.h"
#include "session/RequestPacket.h"

namespace {

constexpr int kWriteSeconds = 999;

std::uint32_t remoteWaitMs(unsigned seconds) {
  const std::uint64_t ms = std::uint64_t{seconds} * 1000u;
  return ms > 0xFFFFFFF0u ? 0xFFFFFFF0u : static_cast<std::uint32_t>(ms);
}

}  // namespace

int CConnection::SendData(const char* request, std::uint8_t rcvId) {
  ConnectionState& s = *m_State;
  if (s.terminated) {
    SetReply(rcvId, "ERDLL: No connection to server!", 0);
    return 0;
  }
  Platform::CriticalSectionLock lock(s.sendLock);
  const std::string text = request ? request : "";
  s.replyResult = 0;
  RcvRef receiver = ConnectionAccess::find(s, rcvId);
  if (rcvId != 0 && receiver) ConnectionAccess::clearResult(*receiver.get());

  const bool local = s.local != nullptr;
  const bool scramble = !local && (s.crypt & 1u) != 0;
  std::vector<std::uint8_t> wire = ServerLink::buildRequestWire(text, rcvId, scramble, s.key);
  if (wire.empty()) {
    SetReply(rcvId, std::string(ServerLink::kCantEncrypt).c_str(), 0);
    return 0;
  }
  ClientLog().WriteTimed((receiver ? receiver->GetReceiverName() : GetUserNameA()) + " > " + text);

  s.replyReady.Reset();
  s.waitingForReply = true;
  s.pendingReply = rcvId + 1;
  bool sent = true;
  std::uint32_t waitMs = kLocalReplyWaitMs;
  if (local) {
    s.local->Process(wire.data(), wire.size());
  } else {
    sent = s.socket.Write(reinterpret_cast<const char*>(wire.data()), static_cast<int>(wire.size()),
                          kWriteSeconds) == static_cast<int>(wire.size());
    waitMs = remoteWaitMs(s.timeoutSeconds);
  }
  if (!sent) {
    SetReply(rcvId, "ERDLL: No connection to server!", 0);
  } else if (Platform::WaitPumping(s.replyReady, waitMs, ServerLink::kReplySliceMs) !=
             Platform::WaitResult::Signalled) {
    // Nothing came in time: a late reply is then dropped as one nobody waits for.
    SetReply(rcvId, std::string(ServerLink::kReceiverDontReply).c_str(), 0);
  }
  s.waitingForReply = false;
  if (rcvId != 0 && receiver) return ConnectionAccess::result(*receiver.get());
  return s.replyResult;
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
