#include "session/PacketHandoff.h"

#include <chrono>

namespace ServerLink {

bool PacketHandoff::Offer(std::string_view packet, std::uint32_t timeoutMs) {
  std::unique_lock lock(m_Lock);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  // Another producer's packet still waiting (its Offer holds no lock while it waits).
  if (!m_ToProducer.wait_until(lock, deadline, [&] { return m_Closed || !m_Full; })) return false;
  if (m_Closed) return false;
  m_Packet.assign(packet);
  m_Full = true;
  const std::uint64_t ticket = ++m_Offered;
  m_ToConsumer.notify_one();
  m_ToProducer.wait_until(lock, deadline, [&] { return m_Closed || m_Done >= ticket; });
  if (m_Taken >= ticket) return true;  // taken (perhaps still being dispatched)
  if (m_Full) {                        // withdraw it: nobody took it
    m_Full = false;
    m_Packet.clear();
    --m_Offered;
    m_ToProducer.notify_all();
  }
  return false;
}

PacketHandoff::TakeResult PacketHandoff::Take(std::string& out, std::uint32_t timeoutMs) {
  std::unique_lock lock(m_Lock);
  if (!m_ToConsumer.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_Closed || m_Full; }))
    return TakeResult::TimedOut;
  if (!m_Full) return TakeResult::Closed;
  out.swap(m_Packet);
  m_Packet.clear();
  m_Full = false;
  m_Taken = m_Offered;
  return TakeResult::Got;  // producers hear of it at Done
}

void PacketHandoff::Done() {
  std::lock_guard lock(m_Lock);
  m_Done = m_Taken;
  m_ToProducer.notify_all();
}

bool PacketHandoff::RunInOrder(const std::function<void()>& deliver, std::uint32_t timeoutMs) {
  std::unique_lock lock(m_Lock);
  if (!m_ToProducer.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return m_Closed || (!m_Full && m_Done >= m_Offered); }))
    return false;
  if (m_Closed) return false;
  deliver();
  return true;
}

void PacketHandoff::Close() {
  std::lock_guard lock(m_Lock);
  m_Closed = true;
  m_Done = m_Taken;
  m_ToProducer.notify_all();
  m_ToConsumer.notify_all();
}

void PacketHandoff::Reopen() {
  std::lock_guard lock(m_Lock);
  m_Closed = false;
  m_Full = false;
  m_Packet.clear();
  m_Taken = m_Done = m_Offered;
}

}  // namespace ServerLink
