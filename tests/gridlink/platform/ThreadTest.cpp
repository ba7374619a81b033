#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>

#include "gridlink/platform/Clock.h"
#include "gridlink/platform/MessagePump.h"
#include "gridlink/platform/Thread.h"

using namespace Platform;

TEST(Thread, StopsCooperatively) {
  Thread t("coop");
  std::atomic<int> loops{0};
  ASSERT_TRUE(t.Start([&](ThreadContext& ctx) {
    while (!ctx.WaitStop(5)) ++loops;
  }));
  EXPECT_TRUE(t.IsRunning());
  EXPECT_FALSE(t.Start([](ThreadContext&) {})) << "one run at a time";
  EXPECT_TRUE(t.Stop(10000));
  EXPECT_FALSE(t.IsRunning());
  EXPECT_FALSE(t.Joinable());
}

TEST(Thread, MessageLoopEndsOnStop) {
  Thread t("loop");
  std::atomic<std::uintptr_t> sum{0};
  Event handled(EventReset::Auto);
  ASSERT_TRUE(t.Start([&](ThreadContext& ctx) {
    Message m;
    for (;;) {
      const GetResult r = ctx.Queue().Get(m, 100);
      if (r == GetResult::Quit) return;
      if (r == GetResult::Got) {
        sum += m.wparam;
        handled.Set();
      }
    }
  }));
  ASSERT_TRUE(t.Queue().Post(kUserMessage, 40));
  ASSERT_EQ(handled.Wait(10000), WaitResult::Signalled);
  ASSERT_TRUE(t.Queue().Post(kUserMessage, 2));
  ASSERT_EQ(handled.Wait(10000), WaitResult::Signalled);
  EXPECT_TRUE(t.Stop(10000));
  EXPECT_EQ(sum.load(), 42u);
}

TEST(Thread, BoundedJoinReportsAThreadThatWillNotStop) {
  Thread t("stubborn");
  Event release(EventReset::Manual);
  ASSERT_TRUE(t.Start([&](ThreadContext&) { release.Wait(30000); }));  // ignores the stop request
  EXPECT_FALSE(t.Stop(50)) << "join must give up instead of hanging";
  EXPECT_TRUE(t.IsRunning());
  EXPECT_TRUE(t.Joinable()) << "a failed join keeps the thread joinable";
  release.Set();
  EXPECT_TRUE(t.Join(10000));
}

TEST(Thread, DestructorDetachesAThreadThatWillNotStopAndItsContextStaysValid) {
  auto release = std::make_shared<Event>(EventReset::Manual);
  auto sawStop = std::make_shared<std::atomic<bool>>(false);
  auto done = std::make_shared<Event>(EventReset::Manual);
  {
    Thread t("detach", 20);
    ASSERT_TRUE(t.Start([release, sawStop, done](ThreadContext& ctx) {
      release->Wait(30000);
      *sawStop = ctx.StopRequested();  // the context outlives the Thread object
      done->Set();
    }));
  }
  release->Set();
  ASSERT_EQ(done->Wait(10000), WaitResult::Signalled);
  EXPECT_TRUE(sawStop->load());
  Sleep(20);  // let the detached thread finish its exit before the test ends
}

TEST(Thread, ExceptionEndsTheBodyAndCanRestart) {
  Thread t("throws");
  ASSERT_TRUE(t.Start([](ThreadContext&) { throw std::runtime_error("boom"); }));
  EXPECT_TRUE(t.Join(10000));
  std::atomic<bool> secondRun{false};
  ASSERT_TRUE(t.Start([&](ThreadContext& ctx) { secondRun = !ctx.StopRequested(); }));
  EXPECT_TRUE(t.Join(10000));
  EXPECT_TRUE(secondRun.load()) << "a new run starts with a cleared stop flag";
}

TEST(Thread, EndedEventJoinsAWaitAny) {
  Thread t("ends");
  Event never(EventReset::Auto);
  ASSERT_TRUE(t.Start([](ThreadContext&) {}));
  EXPECT_EQ(WaitAny({&never, &t.EndedEvent()}, 10000), 1);
  EXPECT_TRUE(t.Join(10000));
}

namespace {
std::atomic<int> g_pumped{0};
void countingPump() {
  ++g_pumped;
}
}  // namespace

TEST(MessagePump, WaitsCallTheInstalledHookBetweenSlices) {
  PumpMessages();  // no hook: nothing happens
  EXPECT_EQ(SetPumpHook(&countingPump), nullptr);
  Event e(EventReset::Auto);
  g_pumped = 0;
  EXPECT_EQ(WaitPumping(e, 100, 10), WaitResult::TimedOut);
  EXPECT_GE(g_pumped.load(), 2) << "a pumping wait pumps more than once over several slices";

  Thread setter("setter");
  ASSERT_TRUE(setter.Start([&](ThreadContext&) { e.Set(); }));
  EXPECT_EQ(WaitPumping(e, 10000, 10), WaitResult::Signalled);
  EXPECT_TRUE(setter.Join(10000));
  EXPECT_EQ(SetPumpHook(nullptr), &countingPump);
  g_pumped = 0;
  PumpMessages();
  EXPECT_EQ(g_pumped.load(), 0);
}

TEST(Thread, MessagesPostedBeforeTheFirstStartReachTheBody) {
  Thread t("early");
  ASSERT_TRUE(t.Queue().Post(kUserMessage + 1, 5));
  std::atomic<std::uintptr_t> got{0};
  ASSERT_TRUE(t.Start([&](ThreadContext& ctx) {
    Message m;
    if (ctx.Queue().Get(m, 10000) == GetResult::Got) got = m.wparam;
  }));
  EXPECT_TRUE(t.Join(10000));
  EXPECT_EQ(got.load(), 5u);
}
