// The reconnection waits: doubling to a ceiling, starting over after a success, and a stop
// that ends the wait at once.
#include <gtest/gtest.h>

#include <vector>

#include "gridlink/ReconnectBackoff.h"

TEST(ReconnectBackoff, DoublesUpToItsCeilingAndStartsOverAfterReset) {
  ReconnectBackoff b(500, 8000);
  std::vector<std::uint32_t> waits;
  for (int i = 0; i < 7; ++i) waits.push_back(b.NextDelayMs());
  EXPECT_EQ(waits, (std::vector<std::uint32_t>{500, 1000, 2000, 4000, 8000, 8000, 8000}));
  EXPECT_EQ(b.Attempts(), 7u);
  b.Reset();
  EXPECT_EQ(b.NextDelayMs(), 500u);
  ReconnectBackoff odd(300, 1000);  // a ceiling that is no power of two of the first wait
  EXPECT_EQ(odd.NextDelayMs(), 300u);
  EXPECT_EQ(odd.NextDelayMs(), 600u);
  EXPECT_EQ(odd.NextDelayMs(), 1000u);
  EXPECT_EQ(odd.NextDelayMs(), 1000u);
}

TEST(ReconnectBackoff, StopEndsTheWait) {
  ReconnectBackoff b(60000, 60000);
  Platform::Event stop(Platform::EventReset::Manual);
  stop.Set();
  EXPECT_FALSE(b.WaitNext(stop));  // would otherwise wait a minute
  ReconnectBackoff quick(1, 1);
  stop.Reset();
  EXPECT_TRUE(quick.WaitNext(stop));
}
