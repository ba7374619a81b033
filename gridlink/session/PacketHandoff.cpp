#include "session/PacketHandoff.h"

#include <chrono>

namespace ServerLink {

bool PacketHandoff::Offer(std::string_view packet, std::uint32_t timeoutMs) {
  std::unique_lock lock(m_Lock);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  // Another producer's packet still waiting (its Offer holds no lock while it waits).
  if (!m_Changed.wait_until(lock, deadline, [&] { return m_Closed || !m_Full; })) return false;
  if (m_Closed) return false;
  m_Packet.assign(packet);
  m_Full = true;
  const std::uint64_t ticket = ++m_Offered;
  m_Changed.notify_all();
  m_Changed.wait_until(lock, deadline, [&] { return m_Closed || m_Taken >= ticket; });
  if (m_Taken >= ticket) return true;
  if (m_Full) {  // withdraw it: nobody took it
    m_Full = false;
    m_Packet.clear();
    --m_Offered;
    m_Changed.notify_all();
  }
  return false;
}

PacketHandoff::TakeResult PacketHandoff::Take(std::string& out, std::uint32_t timeoutMs) {
  std::unique_lock lock(m_Lock);
  if (!m_Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_Closed || m_Full; }))
    return TakeResult::TimedOut;
  if (!m_Full) return TakeResult::Closed;
  out.swap(m_Packet);
  m_Packet.clear();
  m_Full = false;
  m_Taken = m_Offered;
  m_Changed.notify_all();
  return TakeResult::Got;
}

void PacketHandoff::Close() {
  std::lock_guard lock(m_Lock);
  m_Closed = true;
  m_Changed.notify_all();
}

void PacketHandoff::Reopen() {
  std::lock_guard lock(m_Lock);
  m_Closed = false;
  m_Full = false;
  m_Packet.clear();
  m_Taken = m_Offered;
}

}  // namespace ServerLink
