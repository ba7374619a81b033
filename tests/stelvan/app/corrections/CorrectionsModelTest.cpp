// The Corrections window's model, fed with frames built field by field: station and
// distance, descriptors, rates and ages, and which MSMs make the latest epoch.
#include <gtest/gtest.h>

#include <cmath>

#include "plots/CorrectionsModel.h"
#include "stelvan/rtcm3/BodyWriter.h"

using rtcm3test::BodyWriter;

namespace {

std::string arp1005(double x, double y, double z) {
  BodyWriter w;
  w.put(1005, 12).put(2003, 12).put(0, 6).put(0, 4);
  w.putSigned(std::llround(x * 1e4), 38).put(0, 2).putSigned(std::llround(y * 1e4), 38).put(0, 2);
  w.putSigned(std::llround(z * 1e4), 38);
  return w.frame();
}

std::string descriptor(unsigned type, const std::string& antenna) {
  BodyWriter w;
  w.put(type, 12).put(2003, 12).text(antenna).put(1, 8);
  if (type != 1007) w.text("SN1");
  if (type == 1033) w.text("RCV").text("1.0").text("RSN");
  return w.frame();
}

std::string msm(unsigned type, bool multiple, int satellites) {
  BodyWriter w;
  w.put(type, 12).put(2003, 12).put(1000, 30).put(multiple, 1).put(0, 18);
  // Signal ids 2 and 16, every cell.
  w.put(((1ull << satellites) - 1) << (64 - satellites), 64).put((1u << 30) | (1u << 16), 32);
  w.put((1ull << (2 * satellites)) - 1, 2 * satellites);
  return w.frame();
}

void feed(plots::CorrectionsModel& m, const std::string& bytes, std::int64_t ms) {
  m.addBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), ms);
}

std::vector<std::string> systems(const plots::CorrectionsSnapshot& s) {
  std::vector<std::string> out;
  for (const auto& sys : s.systems) out.push_back(sys.name + ":" + std::to_string(sys.satellites));
  return out;
}

}  // namespace

TEST(CorrectionsModel, StationDistanceAndDescriptors) {
  plots::CorrectionsModel m;
  EXPECT_FALSE(m.snapshot(0).station);
  feed(m, arp1005(1114104.5999, -4850729.7108, 3975521.4643), 0);
  const double own[3] = {1114104.5999 + 3, -4850729.7108 + 4, 3975521.4643};
  m.setOwnPosition(own);
  // The 1033's names survive a later 1007, which has none.
  feed(m, descriptor(1033, "ANT A") + descriptor(1007, "ANT B"), 10);
  const plots::CorrectionsSnapshot s = m.snapshot(20);
  ASSERT_TRUE(s.station);
  EXPECT_EQ(s.station->station, 2003u);
  EXPECT_NEAR(s.stationGeo.latDeg, 38.80475943, 1e-8);
  ASSERT_TRUE(s.distance);
  EXPECT_NEAR(*s.distance, 5.0, 1e-4);
  ASSERT_TRUE(s.descriptor);
  EXPECT_EQ(s.descriptor->antenna, "ANT A");
  EXPECT_EQ(s.descriptor->receiver, "RCV");
  m.clear();
  EXPECT_FALSE(m.snapshot(30).station);
  EXPECT_TRUE(m.snapshot(30).messages.empty());
}

TEST(CorrectionsModel, RatesAndAges) {
  plots::CorrectionsModel m;
  // 1005 once a second for twenty seconds, 1033 twice, five seconds apart; split mid-frame.
  const std::string a = arp1005(1, 2, 3), d = descriptor(1033, "X");
  for (int i = 0; i < 20; ++i) {
    feed(m, a.substr(0, 7), i * 1000);
    feed(m, a.substr(7), i * 1000);
  }
  feed(m, d, 5000);
  feed(m, d, 10000);
  const plots::CorrectionsSnapshot s = m.snapshot(19400);
  ASSERT_EQ(s.messages.size(), 2u);
  EXPECT_EQ(s.messages[0].type, 1005u);
  EXPECT_EQ(s.messages[0].count, 20u);
  ASSERT_TRUE(s.messages[0].rateHz);
  EXPECT_DOUBLE_EQ(*s.messages[0].rateHz, 1.0);
  EXPECT_EQ(s.messages[0].ageMs, 400);
  EXPECT_EQ(s.messages[1].type, 1033u);
  EXPECT_DOUBLE_EQ(*s.messages[1].rateHz, 0.2);
  EXPECT_EQ(s.messages[1].ageMs, 9400);
  feed(m, descriptor(1008, "Y"), 19500);
  EXPECT_FALSE(m.snapshot(19500).messages[1].rateHz);  // one arrival: no rate yet
}

TEST(CorrectionsModel, LatestMsmEpoch) {
  plots::CorrectionsModel m;
  feed(m, msm(1074, true, 9) + msm(1084, true, 7) + msm(1094, false, 5), 0);
  EXPECT_EQ(systems(m.snapshot(0)), (std::vector<std::string>{"GPS:9", "GLONASS:7", "Galileo:5"}));
  // Signals by their RINEX codes; GLONASS has no signal 16.
  EXPECT_EQ(m.snapshot(0).systems[0].signalNames, "1C 2L");
  EXPECT_EQ(m.snapshot(0).systems[1].signalNames, "1C #16");
  // The next epoch shows only once it is complete.
  feed(m, msm(1074, true, 8), 1000);
  EXPECT_EQ(systems(m.snapshot(1000)), (std::vector<std::string>{"GPS:9", "GLONASS:7", "Galileo:5"}));
  feed(m, msm(1124, false, 6), 1000);
  EXPECT_EQ(systems(m.snapshot(1000)), (std::vector<std::string>{"GPS:8", "BeiDou:6"}));
  // A stream that never clears the multiple flag: a system seen again closes the epoch.
  feed(m, msm(1074, true, 10) + msm(1084, true, 4) + msm(1074, true, 11), 2000);
  EXPECT_EQ(systems(m.snapshot(2000)), (std::vector<std::string>{"GPS:10", "GLONASS:4"}));
}
