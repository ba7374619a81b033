#pragma once
// The data ring of a connection: receiver data queued by the connection thread
// (the one writer) for the message thread (the one reader), without a lock.
// 262143 bytes of message data and 1024 queue slots.
//
// The writer never waits for the reader. When the reader lags so far that a new
// message would overwrite bytes or a slot it has not read yet, the new message
// is dropped and counted instead: the reader only ever sees whole, unchanged
// messages, oldest first. Each message is stored contiguously; a message that
// does not fit before the end of the ring starts again at its front.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ServerLink {

struct DataEntry {
  std::uint8_t rcvId = 0;
  std::uint8_t attachSlot = 0;  // 0 ZRX, 1 CMR, 2 NMEA, 3 RTCM
  std::uint8_t msgSlot = 0;     // the low 8 bits of the packet type
};

class DataRing {
 public:
  static constexpr std::size_t kRingBytes = 0x3FFFF;  // 262143
  static constexpr std::size_t kQueueSlots = 1024;
  static constexpr std::size_t kMaxEntry = 0xFFFF;  // lengths are 16-bit

  explicit DataRing(std::size_t ringBytes = kRingBytes, std::size_t queueSlots = kQueueSlots);
  DataRing(const DataRing&) = delete;
  DataRing& operator=(const DataRing&) = delete;

  // Writer thread only. Queues a copy of data[0, n); false when it was dropped
  // (the reader lags, or n is 0 or larger than an entry may be). The caller
  // wakes the reader after a successful Push.
  bool Push(const DataEntry& entry, const std::uint8_t* data, std::size_t n);

  // Reader thread only. Takes the oldest message into `data` (replaced);
  // false when none is pending.
  bool Pop(DataEntry& entry, std::vector<std::uint8_t>& data);
  // Reader thread only. Forgets everything pending (the stop path).
  void DiscardPending();

  // Any thread.
  std::size_t Pending() const;
  std::uint64_t Dropped() const { return m_Dropped.load(std::memory_order_relaxed); }

 private:
  struct Slot {
    std::uint64_t start = 0;  // position in the endless byte stream; ring offset = start % ring size
    std::uint32_t length = 0;
    DataEntry entry;
  };
  bool drop(std::size_t n);

  const std::size_t m_RingBytes;
  const std::size_t m_Slots;
  std::unique_ptr<std::uint8_t[]> m_Ring;
  std::unique_ptr<Slot[]> m_Queue;

  std::uint64_t m_Head = 0;                    // writer's: end of the last message written
  std::atomic<std::uint64_t> m_WriteIndex{0};  // published by the writer
  std::atomic<std::uint64_t> m_ReadIndex{0};   // published by the reader
  std::atomic<std::uint64_t> m_Tail{0};        // reader's: bytes before this are free
  std::atomic<std::uint64_t> m_Dropped{0};
};

}  // namespace ServerLink
