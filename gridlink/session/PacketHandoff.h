#pragma once
// The one-packet mailbox between a local server (any thread that produces a server packet)
// and the connection thread (the one consumer). Offer waits until the connection thread has
// dealt with the packet (Take, then Done once it is dispatched), so a reply's producer wakes
// once, with the reply already in place; a packet not taken in time is withdrawn, never left
// behind for a later Take. Any thread.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace ServerLink {

class PacketHandoff {
 public:
  enum class TakeResult { Got, TimedOut, Closed };

  // True when the connection thread took the packet within timeoutMs; false on time-out or
  // when the mailbox is closed.
  bool Offer(std::string_view packet, std::uint32_t timeoutMs);
  // Waits up to timeoutMs for a packet and moves it into out.
  TakeResult Take(std::string& out, std::uint32_t timeoutMs);
  // The packet taken last has been dispatched: its Offer returns.
  void Done();
  // Runs deliver in this thread once every packet offered before has been dispatched, with
  // later packets held back until it returns, so what it delivers keeps its place in the
  // stream without a trip through the consumer. False on time-out or when closed.
  bool RunInOrder(const std::function<void()>& deliver, std::uint32_t timeoutMs);
  // Wakes every waiter; later Offers fail at once until Reopen.
  void Close();
  void Reopen();

 private:
  std::mutex m_Lock;
  std::condition_variable m_ToConsumer, m_ToProducer;
  std::string m_Packet;
  bool m_Full = false;
  bool m_Closed = false;
  std::uint64_t m_Offered = 0, m_Taken = 0, m_Done = 0;
};

}  // namespace ServerLink
