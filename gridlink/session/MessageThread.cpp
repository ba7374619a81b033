// The message thread: takes queued receiver data from the ring and delivers it, under the
// data lock, to the receiver's callback or GPSDATA records.
#include "gridlink/CLogFile.h"
#include "session/ConnectionEvents.h"
#include "session/ConnectionState.h"

std::uint32_t CConnection::ThreadMessage(void* conn) {
  auto* c = static_cast<CConnection*>(conn);
  ConnectionState& s = ConnectionAccess::state(*c);
  ClientLog().WriteTimed(std::string(ServerLink::kMessageThreadStarted));
  ServerLink::DataEntry entry;
  std::vector<std::uint8_t> data;
  while (!s.stopMessageThread) {
    if (s.messageWake.Wait(ServerLink::kMessageWaitMs) != Platform::WaitResult::Signalled) continue;
    while (s.ring.Pop(entry, data)) {
      if (s.stopMessageThread) {
        s.ring.DiscardPending();
        break;
      }
      RcvRef r = ConnectionAccess::find(s, entry.rcvId);
      if (!r || ConnectionAccess::closing(*r.get())) continue;
      Platform::CriticalSectionLock lock(s.dataLock);
      ConnectionAccess::deliver(*r.get(), entry.attachSlot, entry.msgSlot, data);
    }
  }
  ClientLog().WriteTimed(std::string(ServerLink::kMessageThreadTerminated));
  return 0;
}
