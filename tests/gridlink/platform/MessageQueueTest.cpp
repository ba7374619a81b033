#include <gtest/gtest.h>

#include <thread>

#include "gridlink/platform/MessageQueue.h"

using namespace Platform;

TEST(MessageQueue, DeliversInOrderAcrossThreadsThenQuit) {
  MessageQueue q;
  constexpr int kCount = 2000;
  std::thread producer([&] {
    for (int i = 0; i < kCount; ++i)
      while (!q.Post(kUserMessage + 1, static_cast<std::uintptr_t>(i), -i)) std::this_thread::yield();
    q.PostQuit(7);
  });
  int expected = 0;
  Message m;
  GetResult r;
  while ((r = q.Get(m, 10000)) == GetResult::Got) {
    ASSERT_EQ(m.id, kUserMessage + 1);
    ASSERT_EQ(m.wparam, static_cast<std::uintptr_t>(expected));
    ASSERT_EQ(m.lparam, -expected);
    ++expected;
  }
  producer.join();
  EXPECT_EQ(r, GetResult::Quit) << "the loop must end by quit, not by time-out";
  EXPECT_EQ(expected, kCount) << "quit comes after every message posted before it";
  EXPECT_EQ(m.id, kQuitMessage);
  EXPECT_EQ(m.wparam, 7u);
}

TEST(MessageQueue, QuitLatchesUntilReset) {
  MessageQueue q;
  EXPECT_TRUE(q.Post(kQuitMessage, 3));  // posting the quit number is PostQuit
  EXPECT_FALSE(q.Post(kUserMessage)) << "nothing is taken after quit";
  Message m;
  EXPECT_EQ(q.Get(m, 0), GetResult::Quit);
  EXPECT_EQ(q.Get(m, 0), GetResult::Quit);
  EXPECT_TRUE(q.Peek(m, true));
  EXPECT_EQ(m.id, kQuitMessage);
  q.Reset();
  EXPECT_EQ(q.Get(m, 10), GetResult::TimedOut);
  EXPECT_TRUE(q.Post(kUserMessage));
}

TEST(MessageQueue, PeekTakesOnlyWhenAsked) {
  MessageQueue q;
  Message m;
  EXPECT_FALSE(q.Peek(m, false));
  q.Post(kUserMessage + 5, 1, 2);
  EXPECT_TRUE(q.Peek(m, false));
  EXPECT_EQ(q.Size(), 1u);
  EXPECT_TRUE(q.Peek(m, true));
  EXPECT_EQ(m.id, kUserMessage + 5);
  EXPECT_EQ(q.Size(), 0u);
}

TEST(MessageQueue, FullQueueRefusesWithoutLosingWhatItHolds) {
  MessageQueue q(3);
  for (std::uintptr_t i = 0; i < 3; ++i) EXPECT_TRUE(q.Post(kUserMessage, i));
  EXPECT_FALSE(q.Post(kUserMessage, 99));
  Message m;
  for (std::uintptr_t i = 0; i < 3; ++i) {
    ASSERT_EQ(q.Get(m, 0), GetResult::Got);
    EXPECT_EQ(m.wparam, i);
  }
  EXPECT_EQ(q.Get(m, 0), GetResult::TimedOut);
}
