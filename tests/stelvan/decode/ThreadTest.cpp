#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "decode/thread/BasicThread.h"
#include "decode/thread/BasicTimer.h"
#include "decode/thread/ListenerSet.h"

namespace {

using namespace std::chrono_literals;

class Counter : public THREAD::BasicThread {
 public:
  ~Counter() override { Stop(10000); }
  std::atomic<int> bodies{0}, live{0}, maxLive{0};
  bool throwIt = false;

 protected:
  void Run() override {
    ++bodies;
    maxLive = std::max(maxLive.load(), ++live);
    if (throwIt) {
      --live;
      throw std::runtime_error("body failed");
    }
    while (!isStopRequested()) std::this_thread::sleep_for(1ms);
    --live;
  }
};

template <class F>
bool eventually(F f) {
  for (int i = 0; i < 5000; ++i) {
    if (f()) return true;
    std::this_thread::sleep_for(1ms);
  }
  return false;
}

TEST(BasicThread, StopWithoutStartReturnsAtOnce) {
  Counter c;
  EXPECT_TRUE(c.Stop(10000));
  EXPECT_FALSE(c.isRunning());
}

TEST(BasicThread, StartTwiceLeavesOneThread) {
  Counter c;
  c.Start();
  ASSERT_TRUE(eventually([&] { return c.isRunning(); }));
  c.Start();
  ASSERT_TRUE(eventually([&] { return c.bodies.load() == 2 && c.isRunning(); }));
  EXPECT_EQ(c.maxLive.load(), 1);
  EXPECT_TRUE(c.Stop(10000));
  EXPECT_FALSE(c.isRunning());
  EXPECT_TRUE(c.isStopRequested());  // stays set until the next Start
}

TEST(BasicThread, ThrowingBodyLeavesItStoppable) {
  Counter c;
  c.throwIt = true;
  c.Start();
  ASSERT_TRUE(eventually([&] { return c.bodies.load() == 1 && !c.isRunning(); }));
  EXPECT_TRUE(c.Stop(10000));
  c.throwIt = false;
  c.Start();
  ASSERT_TRUE(eventually([&] { return c.isRunning(); }));
  EXPECT_TRUE(c.Stop(10000));
}

struct SlowListener : THREAD::ITimerListener {
  std::atomic<int> ticks{0};
  std::chrono::milliseconds work{0};
  void OnTimer() override {
    ++ticks;
    std::this_thread::sleep_for(work);
  }
};

TEST(BasicTimer, TicksListenersUntilStopped) {
  THREAD::BasicTimer t;
  SlowListener a, b;
  t.setInterval(5);
  t.AddListener(&a);
  t.AddListener(&a);  // one entry
  t.AddListener(&b);
  t.Start();
  ASSERT_TRUE(eventually([&] { return a.ticks.load() >= 3 && b.ticks.load() >= 3; }));
  EXPECT_TRUE(t.Stop(10000));
  const int after = a.ticks.load();
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(a.ticks.load(), after);
  EXPECT_LE(std::abs(a.ticks.load() - b.ticks.load()), 1);
}

TEST(BasicTimer, LongIntervalDoesNotDelayStop) {
  THREAD::BasicTimer t;
  t.setInterval(600000);
  SlowListener a;
  t.AddListener(&a);
  t.Start();
  EXPECT_TRUE(t.Stop(10000));  // the sleep is woken, not waited out
  EXPECT_EQ(a.ticks.load(), 0);
}

TEST(ListenerSet, AddRemoveAndEarlyStop) {
  THREAD::ListenerSet<int> set;
  int x = 1, y = 2, z = 3;
  set.Add(&x);
  set.Add(&y);
  set.Add(&y);
  set.Add(&z);
  set.Add(nullptr);
  EXPECT_EQ(set.size(), 3u);
  set.Remove(&z);
  int calls = 0;
  set.forEach([&](int*) { return ++calls < 1; });
  EXPECT_EQ(calls, 1);
}

}  // namespace
