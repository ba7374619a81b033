#include "session/DataRing.h"

#include <cstring>

namespace ServerLink {

DataRing::DataRing(std::size_t ringBytes, std::size_t queueSlots)
    : m_RingBytes(ringBytes ? ringBytes : 1),
      m_Slots(queueSlots ? queueSlots : 1),
      m_Ring(new std::uint8_t[m_RingBytes]()),
      m_Queue(new Slot[m_Slots]) {}

bool DataRing::drop(std::size_t n) {
  if (n) m_Dropped.fetch_add(1, std::memory_order_relaxed);
  return false;
}

bool DataRing::Push(const DataEntry& entry, const std::uint8_t* data, std::size_t n) {
  if (n == 0 || !data || n > kMaxEntry || n > m_RingBytes) return drop(n);
  const std::uint64_t w = m_WriteIndex.load(std::memory_order_relaxed);
  if (w - m_ReadIndex.load(std::memory_order_acquire) >= m_Slots) return drop(n);
  std::uint64_t start = m_Head;
  const std::size_t offset = static_cast<std::size_t>(start % m_RingBytes);
  if (offset + n > m_RingBytes) start += m_RingBytes - offset;  // restart at the front
  // Every byte we write must lie beyond what the reader still holds.
  if (start + n - m_Tail.load(std::memory_order_acquire) > m_RingBytes) return drop(n);
  std::memcpy(m_Ring.get() + start % m_RingBytes, data, n);
  m_Queue[w % m_Slots] = Slot{start, static_cast<std::uint32_t>(n), entry};
  m_Head = start + n;
  m_WriteIndex.store(w + 1, std::memory_order_release);
  return true;
}

bool DataRing::Pop(DataEntry& entry, std::vector<std::uint8_t>& data) {
  const std::uint64_t r = m_ReadIndex.load(std::memory_order_relaxed);
  if (r == m_WriteIndex.load(std::memory_order_acquire)) return false;
  const Slot& slot = m_Queue[r % m_Slots];
  const std::uint8_t* at = m_Ring.get() + slot.start % m_RingBytes;
  data.assign(at, at + slot.length);
  entry = slot.entry;
  m_Tail.store(slot.start + slot.length, std::memory_order_release);
  m_ReadIndex.store(r + 1, std::memory_order_release);
  return true;
}

void DataRing::DiscardPending() {
  const std::uint64_t r = m_ReadIndex.load(std::memory_order_relaxed);
  const std::uint64_t w = m_WriteIndex.load(std::memory_order_acquire);
  if (r == w) return;
  const Slot& last = m_Queue[(w - 1) % m_Slots];
  m_Tail.store(last.start + last.length, std::memory_order_release);
  m_ReadIndex.store(w, std::memory_order_release);
}

std::size_t DataRing::Pending() const {
  const std::uint64_t r = m_ReadIndex.load(std::memory_order_acquire);
  return static_cast<std::size_t>(m_WriteIndex.load(std::memory_order_acquire) - r);
}

}  // namespace ServerLink
