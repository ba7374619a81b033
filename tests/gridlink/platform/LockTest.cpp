#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "gridlink/platform/Clock.h"
#include "gridlink/platform/CriticalSection.h"
#include "gridlink/platform/FairLock.h"
#include "gridlink/platform/Interlocked.h"

using namespace Platform;

TEST(CriticalSection, ReentersOnTheOwningThreadAndKeepsOthersOut) {
  CriticalSection cs;
  cs.Enter();
  {
    CriticalSectionLock again(cs);  // would deadlock if not re-entrant
    bool otherGotIn = true;
    std::thread([&] { otherGotIn = cs.TryEnter(); }).join();
    EXPECT_FALSE(otherGotIn);
  }
  bool stillHeld = false;
  std::thread([&] { stillHeld = !cs.TryEnter(); }).join();
  EXPECT_TRUE(stillHeld) << "one Leave must not free a lock entered twice";
  cs.Leave();
  bool freed = false;
  std::thread([&] {
    freed = cs.TryEnter();
    if (freed) cs.Leave();
  }).join();
  EXPECT_TRUE(freed);
}

TEST(CriticalSection, SerialisesUpdates) {
  CriticalSection cs;
  long counter = 0;
  auto work = [&] {
    for (int i = 0; i < 20000; ++i) {
      CriticalSectionLock lock(cs);
      ++counter;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 40000);
}

TEST(Interlocked, ResultsFollowTheOriginals) {
  InterlockedValue v{5};
  EXPECT_EQ(InterlockedIncrement(v), 6);
  EXPECT_EQ(InterlockedDecrement(v), 5);
  EXPECT_EQ(InterlockedExchange(v, 9), 5);
  EXPECT_EQ(v.load(), 9);
  EXPECT_EQ(InterlockedCompareExchange(v, 1, 7), 9);  // no match: unchanged
  EXPECT_EQ(v.load(), 9);
  EXPECT_EQ(InterlockedCompareExchange(v, 1, 9), 9);  // match: stored
  EXPECT_EQ(v.load(), 1);
}

TEST(Interlocked, CountsFromTwoThreads) {
  InterlockedValue v{0};
  auto work = [&] {
    for (int i = 0; i < 50000; ++i) InterlockedIncrement(v);
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(v.load(), 100000);
}

TEST(Clock, TickAdvancesAtLeastBySleep) {
  const std::uint32_t start = GetTickCount();
  Sleep(30);
  EXPECT_GE(GetTickCount() - start, 29u);  // truncation to ms may cost one
}

namespace {

// Bounded: until n threads stand in line.
bool waitForLine(const FairLock& lock, std::size_t n) {
  for (int i = 0; i < 20000 && lock.Waiting() != n; ++i) Sleep(1);
  return lock.Waiting() == n;
}

}  // namespace

TEST(FairLock, ServesWaitersInArrivalOrder) {
  FairLock lock;
  std::vector<int> order;
  std::vector<std::thread> threads;
  lock.Enter();
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      std::lock_guard held(lock);
      order.push_back(i);
    });
    ASSERT_TRUE(waitForLine(lock, static_cast<std::size_t>(i + 1)));
  }
  lock.Leave();
  for (auto& t : threads) t.join();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
}

TEST(FairLock, AThreadTakingItBackToBackCannotKeepAnotherOut) {
  FairLock lock;
  std::atomic<bool> stop{false};
  std::atomic<long> rounds{0};
  std::thread hog([&] {
    while (!stop) {
      std::lock_guard held(lock);
      ++rounds;
    }
  });
  while (rounds < 100) std::this_thread::yield();
  long most = 0;
  for (int i = 0; i < 50; ++i) {
    // Counted from the moment the other thread stands in line (or already holds the lock).
    std::atomic<long> after{-1};
    std::thread other([&] {
      std::lock_guard held(lock);
      after = rounds.load();
    });
    while (after < 0 && lock.Waiting() == 0) std::this_thread::yield();
    const long before = rounds.load();
    other.join();
    most = std::max(most, after.load() - before);
  }
  stop = true;
  hog.join();
  // In line behind the holder: at most the round under way ends before our turn.
  EXPECT_LE(most, 1);
}

TEST(FairLock, ReentersAndGivesUpItsPlaceOnTimeOut) {
  FairLock lock;
  lock.Enter();
  EXPECT_TRUE(lock.TryEnter());  // re-entrant
  lock.Leave();
  bool got = true;
  std::thread([&] { got = lock.EnterFor(30); }).join();
  EXPECT_FALSE(got);
  EXPECT_EQ(lock.Waiting(), 0u);
  lock.Leave();
  std::thread([&] {
    got = lock.TryEnter();
    if (got) lock.Leave();
  }).join();
  EXPECT_TRUE(got) << "one Leave per Enter frees it";
}

namespace {
FairLock* g_PumpLock = nullptr;
int g_NestedEntries = 0;
void pumpThatEnters() {
  // A window handler run by the pump makes its own request once the lock is this thread's.
  if (g_PumpLock->TryEnter()) {
    ++g_NestedEntries;
    g_PumpLock->Leave();
  }
}
}  // namespace

TEST(FairLock, PumpingWaiterKeepsItsPlaceAndItsHandlersRunInsideItsHold) {
  FairLock lock;
  g_PumpLock = &lock;
  g_NestedEntries = 0;
  lock.Enter();
  bool got = false;
  std::thread waiter([&] {
    got = lock.EnterFor(10000, pumpThatEnters, 5);
    // Handed over while pumping: the handler may have entered, and the outer hold remains.
    if (got) {
      pumpThatEnters();
      lock.Leave();
    }
  });
  ASSERT_TRUE(waitForLine(lock, 1));
  Sleep(30);
  EXPECT_EQ(g_NestedEntries, 0) << "the handler must not get in while another thread holds it";
  lock.Leave();
  waiter.join();
  EXPECT_TRUE(got);
  EXPECT_GE(g_NestedEntries, 1);
  EXPECT_TRUE(lock.TryEnter());
  lock.Leave();
}
