#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "session/DataRing.h"

using ServerLink::DataEntry;
using ServerLink::DataRing;

namespace {

// A message whose every byte follows from its sequence number, so a reader can
// tell a whole message from one partly overwritten by a later one.
std::vector<std::uint8_t> message(std::uint32_t seq, std::size_t length) {
  std::vector<std::uint8_t> m(length);
  std::memcpy(m.data(), &seq, sizeof seq);
  for (std::size_t i = sizeof seq; i < length; ++i) m[i] = static_cast<std::uint8_t>(seq * 31 + i);
  return m;
}

bool intact(const std::vector<std::uint8_t>& m, std::uint32_t& seq) {
  if (m.size() < sizeof seq) return false;
  std::memcpy(&seq, m.data(), sizeof seq);
  return m == message(seq, m.size());
}

DataEntry entry(std::uint32_t seq) {
  return DataEntry{static_cast<std::uint8_t>(1 + seq % 5), static_cast<std::uint8_t>(seq % 4),
                   static_cast<std::uint8_t>(seq)};
}

}  // namespace

TEST(DataRing, DeliversInOrderWithTheirEntries) {
  DataRing ring;
  for (std::uint32_t s = 0; s < 10; ++s) {
    const auto m = message(s, 8 + s);
    ASSERT_TRUE(ring.Push(entry(s), m.data(), m.size()));
  }
  EXPECT_EQ(ring.Pending(), 10u);
  DataEntry e;
  std::vector<std::uint8_t> data;
  for (std::uint32_t s = 0; s < 10; ++s) {
    ASSERT_TRUE(ring.Pop(e, data));
    std::uint32_t seq = 0;
    ASSERT_TRUE(intact(data, seq));
    EXPECT_EQ(seq, s);
    EXPECT_EQ(data.size(), 8 + s);
    EXPECT_EQ(e.rcvId, entry(s).rcvId);
    EXPECT_EQ(e.attachSlot, entry(s).attachSlot);
    EXPECT_EQ(e.msgSlot, entry(s).msgSlot);
  }
  EXPECT_FALSE(ring.Pop(e, data));
  EXPECT_EQ(ring.Dropped(), 0u);
}

TEST(DataRing, ALaggingReaderLosesNewMessagesNotOldOnes) {
  DataRing ring(100, 1024);
  std::uint32_t accepted = 0, refused = 0;
  for (std::uint32_t s = 0; s < 20; ++s) {
    const auto m = message(s, 30);
    (ring.Push(entry(s), m.data(), m.size()) ? accepted : refused)++;
  }
  EXPECT_EQ(accepted, 3u);  // 90 of 100 bytes
  EXPECT_EQ(ring.Dropped(), refused);
  DataEntry e;
  std::vector<std::uint8_t> data;
  for (std::uint32_t s = 0; s < accepted; ++s) {
    ASSERT_TRUE(ring.Pop(e, data));
    std::uint32_t seq = 99;
    ASSERT_TRUE(intact(data, seq));
    EXPECT_EQ(seq, s);
  }
  EXPECT_FALSE(ring.Pop(e, data));
}

TEST(DataRing, QueueSlotsAreALimitOfTheirOwn) {
  DataRing ring;
  const std::uint8_t b = 7;
  for (std::size_t i = 0; i < DataRing::kQueueSlots; ++i) ASSERT_TRUE(ring.Push(entry(0), &b, 1));
  EXPECT_FALSE(ring.Push(entry(0), &b, 1));
  EXPECT_EQ(ring.Dropped(), 1u);
  DataEntry e;
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(ring.Pop(e, data));
  EXPECT_TRUE(ring.Push(entry(0), &b, 1));
}

TEST(DataRing, MessagesThatMissTheEndRestartAtTheFront) {
  DataRing ring(1000, 8);
  DataEntry e;
  std::vector<std::uint8_t> data;
  std::uint32_t next = 0;
  for (std::uint32_t s = 0; s < 5000; ++s) {
    const auto m = message(s, 5 + (s * 131) % 400);
    ASSERT_TRUE(ring.Push(entry(s), m.data(), m.size())) << s;
    if (s % 2 == 1) {  // keep two in the ring at times, wrapping at every offset
      while (ring.Pop(e, data)) {
        std::uint32_t seq = 0;
        ASSERT_TRUE(intact(data, seq));
        ASSERT_EQ(seq, next++);
      }
    }
  }
  EXPECT_EQ(ring.Dropped(), 0u);
}

TEST(DataRing, RefusesEmptyAndOversizeMessages) {
  DataRing ring(100, 4);
  const std::vector<std::uint8_t> big(101, 1);
  EXPECT_FALSE(ring.Push(entry(0), big.data(), 0));
  EXPECT_EQ(ring.Dropped(), 0u);  // nothing to lose
  EXPECT_FALSE(ring.Push(entry(0), big.data(), big.size()));
  EXPECT_EQ(ring.Dropped(), 1u);
  DataRing full;
  const std::vector<std::uint8_t> huge(DataRing::kMaxEntry + 1, 1);
  EXPECT_FALSE(full.Push(entry(0), huge.data(), huge.size()));
  EXPECT_TRUE(full.Push(entry(0), huge.data(), DataRing::kMaxEntry));
}

TEST(DataRing, DiscardPendingFreesTheRing) {
  DataRing ring(100, 4);
  const auto m = message(1, 40);
  ASSERT_TRUE(ring.Push(entry(1), m.data(), m.size()));
  ASSERT_TRUE(ring.Push(entry(1), m.data(), m.size()));
  EXPECT_FALSE(ring.Push(entry(1), m.data(), m.size()));
  ring.DiscardPending();
  EXPECT_EQ(ring.Pending(), 0u);
  EXPECT_TRUE(ring.Push(entry(1), m.data(), m.size()));
  EXPECT_TRUE(ring.Push(entry(1), m.data(), m.size()));
}

// The writer never waits; whatever the reader gets is whole and in order, and
// every message is either delivered or counted as dropped.
TEST(DataRing, ConcurrentWriterAndReaderNeverSeeATornMessage) {
  DataRing ring(4096, 64);  // small, so that the reader falls behind often
  constexpr std::uint32_t kMessages = 200000;
  std::atomic<bool> done{false};
  std::uint32_t delivered = 0, torn = 0, disorder = 0;
  std::thread reader([&] {
    DataEntry e;
    std::vector<std::uint8_t> data;
    std::uint32_t last = 0;
    bool first = true;
    for (;;) {
      const bool finished = done.load(std::memory_order_acquire);
      bool any = false;
      while (ring.Pop(e, data)) {
        any = true;
        std::uint32_t seq = 0;
        if (!intact(data, seq) || e.msgSlot != static_cast<std::uint8_t>(seq)) {
          ++torn;
          continue;
        }
        if (!first && seq <= last) ++disorder;
        first = false;
        last = seq;
        ++delivered;
      }
      if (finished && !any) break;
      if (!any) std::this_thread::yield();
    }
  });
  std::uint32_t accepted = 0;
  for (std::uint32_t s = 0; s < kMessages; ++s) {
    const auto m = message(s, 4 + s % 300);
    if (ring.Push(entry(s), m.data(), m.size())) ++accepted;
  }
  done.store(true, std::memory_order_release);
  reader.join();
  EXPECT_EQ(torn, 0u);
  EXPECT_EQ(disorder, 0u);
  EXPECT_EQ(delivered, accepted);
  EXPECT_EQ(accepted + ring.Dropped(), kMessages);
}
