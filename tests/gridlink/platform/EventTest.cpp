#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "gridlink/platform/Event.h"

using namespace Platform;

namespace {
// Starts n threads that each wait once on the event; returns how many were let through.
int waitersReleased(Event& e, int n, std::uint32_t waitMs, void (*release)(Event&)) {
  std::atomic<int> released{0};
  std::atomic<int> started{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < n; ++i)
    threads.emplace_back([&] {
      ++started;
      if (e.Wait(waitMs) == WaitResult::Signalled) ++released;
    });
  while (started.load() < n) std::this_thread::yield();
  release(e);
  for (auto& t : threads) t.join();
  return released.load();
}
}  // namespace

TEST(Event, AutoResetLetsExactlyOneWaiterThrough) {
  Event e(EventReset::Auto);
  EXPECT_EQ(waitersReleased(e, 3, 1000, [](Event& ev) { ev.Set(); }), 1);
  EXPECT_FALSE(e.IsSet());
}

TEST(Event, ManualResetLetsEveryWaiterThroughAndStaysSet) {
  Event e(EventReset::Manual);
  EXPECT_EQ(waitersReleased(e, 3, 10000, [](Event& ev) { ev.Set(); }), 3);
  EXPECT_TRUE(e.IsSet());
  EXPECT_EQ(e.Wait(0), WaitResult::Signalled);
  e.Reset();
  EXPECT_EQ(e.Wait(0), WaitResult::TimedOut);
}

TEST(Event, StateAfterEachStep) {
  struct Case {
    const char* legend;
    EventReset kind;
    bool initial;
    WaitResult first, second;
  } cases[] = {
      {"auto, set at birth: first wait consumes", EventReset::Auto, true, WaitResult::Signalled,
       WaitResult::TimedOut},
      {"manual, set at birth: stays set", EventReset::Manual, true, WaitResult::Signalled,
       WaitResult::Signalled},
      {"auto, clear: times out", EventReset::Auto, false, WaitResult::TimedOut, WaitResult::TimedOut},
      {"manual, clear: times out", EventReset::Manual, false, WaitResult::TimedOut, WaitResult::TimedOut},
  };
  for (const Case& c : cases) {
    Event e(c.kind, c.initial);
    EXPECT_EQ(e.Wait(20), c.first) << c.legend;
    EXPECT_EQ(e.Wait(0), c.second) << c.legend;
  }
}

TEST(Event, ResetBeforeWaitIsNotSeen) {
  Event e(EventReset::Auto);
  e.Set();
  e.Set();  // a second Set of a set event is no second signal
  e.Reset();
  EXPECT_EQ(e.Wait(20), WaitResult::TimedOut);
}

TEST(Event, SignalAndWaitGetsTheAnswer) {
  Event request(EventReset::Auto), answer(EventReset::Auto);
  std::thread peer([&] {
    if (request.Wait(10000) == WaitResult::Signalled) answer.Set();
  });
  EXPECT_EQ(SignalAndWait(request, answer, 10000), WaitResult::Signalled);
  peer.join();
}

TEST(Event, SignalAndWaitWithoutAnswerTimesOutButHasSignalled) {
  Event request(EventReset::Manual), answer(EventReset::Auto);
  EXPECT_EQ(SignalAndWait(request, answer, 30), WaitResult::TimedOut);
  EXPECT_TRUE(request.IsSet());
}

TEST(Event, WaitAnyPicksTheSetEvent) {
  Event a(EventReset::Auto), b(EventReset::Auto), c(EventReset::Manual);
  EXPECT_EQ(WaitAny({&a, &b, &c}, 20), -1);
  b.Set();
  c.Set();
  EXPECT_EQ(WaitAny({&a, &b, &c}, 20), 1);  // lowest index first; b consumed
  EXPECT_FALSE(b.IsSet());
  EXPECT_EQ(WaitAny({&a, &b, &c}, 20), 2);  // manual c stays set
  EXPECT_TRUE(c.IsSet());
}

TEST(Event, WaitAnyWakesWhenAnotherThreadSets) {
  Event a(EventReset::Auto), b(EventReset::Auto);
  std::atomic<bool> waiting{false};
  std::thread setter([&] {
    while (!waiting.load()) std::this_thread::yield();
    b.Set();
  });
  waiting = true;
  EXPECT_EQ(WaitAny({&a, &b}, 10000), 1);
  setter.join();
}

TEST(Event, AutoResetSharedByWaitAndWaitAnyReleasesOne) {
  Event e(EventReset::Auto), other(EventReset::Auto);
  std::atomic<int> released{0};
  std::thread single([&] { released += e.Wait(500) == WaitResult::Signalled; });
  std::thread multi([&] { released += WaitAny({&other, &e}, 500) == 1; });
  e.Set();
  single.join();
  multi.join();
  EXPECT_EQ(released.load(), 1);
}
