#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "gridlink/platform/WindowMessage.h"

using namespace Platform;

TEST(RegisterWindowMessage, StableDistinctAndInTheRegisteredRange) {
  const std::uint32_t zrx = RegisterWindowMessage("WM_ZRXDATA");
  const std::uint32_t nmea = RegisterWindowMessage("WM_NMEADATA");
  EXPECT_GE(zrx, kFirstRegisteredMessage);
  EXPECT_LE(zrx, 0xFFFFu);
  EXPECT_NE(zrx, nmea);
  EXPECT_EQ(RegisterWindowMessage("WM_ZRXDATA"), zrx);
  EXPECT_EQ(RegisterWindowMessage("wm_zrxdata"), zrx) << "names compare without case";
  EXPECT_EQ(RegisterWindowMessage(""), 0u);
}

TEST(RegisterWindowMessage, ConcurrentRegistrationsAgree) {
  constexpr int kNames = 200;
  std::vector<std::uint32_t> a(kNames), b(kNames);
  auto work = [](std::vector<std::uint32_t>& out) {
    for (int i = 0; i < kNames; ++i) out[i] = RegisterWindowMessage("concurrent-" + std::to_string(i));
  };
  std::thread ta(work, std::ref(a)), tb(work, std::ref(b));
  ta.join();
  tb.join();
  EXPECT_EQ(a, b);
  for (int i = 1; i < kNames; ++i) EXPECT_NE(a[i], a[i - 1]);
}

namespace {
struct RecordingSink : IWindowSink {
  bool Post(std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) override {
    posts.push_back({msg, wparam, lparam});
    return accept;
  }
  struct Posted {
    std::uint32_t msg;
    std::uintptr_t wparam;
    std::intptr_t lparam;
  };
  std::vector<Posted> posts;
  bool accept = true;
};
}  // namespace

TEST(WindowSink, PostReachesTheSinkAndANullHandleFails) {
  RecordingSink sink;
  WindowHandle w = &sink;
  EXPECT_TRUE(PostWindowMessage(w, 0x401, 2, 3));
  sink.accept = false;
  EXPECT_FALSE(PostWindowMessage(w, 0x402, 0, 0));
  ASSERT_EQ(sink.posts.size(), 2u);
  EXPECT_EQ(sink.posts[0].msg, 0x401u);
  EXPECT_EQ(sink.posts[0].lparam, 3);
  EXPECT_FALSE(PostWindowMessage(nullptr, 0x401, 0, 0));
}
