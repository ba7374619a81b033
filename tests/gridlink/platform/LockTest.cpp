#include <gtest/gtest.h>

#include <thread>

#include "gridlink/platform/Clock.h"
#include "gridlink/platform/CriticalSection.h"
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
