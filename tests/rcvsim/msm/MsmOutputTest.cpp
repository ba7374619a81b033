// The simulator's MSM4 messages: what our decoder reads from their headers, and
// what an independent reader (rtklib's convbin) makes of their measurements:
// every satellite in view, each pseudorange within a metre of the simulated range.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "TempDir.h"
#include "decode/rtcm3/MessageContents.h"
#include "rcvsim/RtcmMsm.h"
#include "rcvsim/SkyModel.h"

namespace {

constexpr std::int64_t kUtcMs = 1796731200000;  // 2026-12-08 12:00:00 UTC
const char* kMsm[] = {"1074", "1084", "1094", "1104"};

rcvsim::SkyModel sky() {
  return rcvsim::SkyModel({47.3769 * rcvsim::kDeg, 8.5417 * rcvsim::kDeg, 430}, 7);
}

engine::rtcm3::MessageContents decode(const std::string& frame) {
  return engine::rtcm3::decodeContents(reinterpret_cast<const std::uint8_t*>(frame.data()) + 3,
                                       frame.size() - 6);
}

// "G05" -> the simulator's number of the satellite (SBAS: its PRN).
std::string key(const rcvsim::SatView& s) {
  const char sys = s.sys == rcvsim::Gnss::Gps       ? 'G'
                   : s.sys == rcvsim::Gnss::Glonass ? 'R'
                   : s.sys == rcvsim::Gnss::Galileo ? 'E'
                                                    : 'S';
  char k[8];
  std::snprintf(k, sizeof k, "%c%02d", sys, s.sys == rcvsim::Gnss::Sbas ? s.number - 100 : s.number);
  return k;
}

}  // namespace

TEST(RcvsimMsm, HeadersNameEverySatelliteInViewAndFlagAllButTheLast) {
  rcvsim::SkyModel model = sky();
  const rcvsim::SkyEpoch ep = model.at(kUtcMs, 5, 1);
  std::map<engine::rtcm3::GnssSystem, std::vector<int>> inView;
  for (const auto& s : ep.sats)
    inView[static_cast<engine::rtcm3::GnssSystem>(static_cast<int>(s.sys))].push_back(
        s.sys == rcvsim::Gnss::Sbas ? s.number - 119 : s.number);
  for (int i = 0; i < 4; ++i) {
    const auto c = decode(rcvsim::msmMessage(kMsm[i], ep, i < 3));
    ASSERT_EQ(c.kind, engine::rtcm3::ContentKind::Observations) << kMsm[i];
    EXPECT_EQ(c.observations.msmKind, 4);
    EXPECT_EQ(c.observations.multiple, i < 3);
    std::vector<int> expected = inView[c.observations.system];
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(c.observations.satellites, expected) << kMsm[i];
    EXPECT_EQ(static_cast<std::size_t>(c.observations.cells),
              c.observations.satellites.size() * c.observations.signalIds.size());
  }
  // The GLONASS epoch counts Moscow time: 15:00 on a Tuesday (day 2).
  const auto glo = decode(rcvsim::msmMessage("1084", ep, false));
  EXPECT_EQ(glo.observations.epochMs, 15u * 3600000u);
  EXPECT_EQ(glo.observations.dayOfWeek, 2);
}

TEST(RcvsimMsm, ConvbinReadsThePseudoranges) {
  if (std::system("command -v convbin >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "convbin (rtklib) is not installed";
  TempDir dir;
  rcvsim::SkyModel model = sky();
  std::map<std::string, double> ranges;  // of the last epoch
  {
    std::ofstream out(dir.str() + "/msm.rtcm3", std::ios::binary);
    for (int e = 0; e < 3; ++e) {
      const rcvsim::SkyEpoch ep = model.at(kUtcMs + e * 1000, 5, 1);
      for (int i = 0; i < 4; ++i) out << rcvsim::msmMessage(kMsm[i], ep, i < 3);
      ranges.clear();
      for (const auto& s : ep.sats) ranges[key(s)] = s.range;
    }
  }
  const std::string obs = dir.str() + "/msm.obs";
  ASSERT_EQ(std::system(("convbin -r rtcm3 -tr 2026/12/08 12:00:00 -d '" + dir.str() + "' -o '" + obs +
                         "' '" + dir.str() + "/msm.rtcm3' >/dev/null 2>&1")
                            .c_str()),
            0);
  std::ifstream in(obs);
  std::map<char, int> c1c;  // system -> index of its C1C in the observation types
  std::map<std::string, double> read;
  int epochs = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.find("SYS / # / OBS TYPES") != std::string::npos) {
      std::istringstream f(line.substr(7, 53));
      int i = 0;
      for (std::string t; f >> t; ++i)
        if (t == "C1C") c1c[line[0]] = i;
    } else if (!line.empty() && line[0] == '>') {
      ++epochs;
      read.clear();
    } else if (epochs > 0 && line.size() > 3 && c1c.count(line[0])) {
      const std::size_t at = 3 + 16 * static_cast<std::size_t>(c1c[line[0]]);
      if (line.size() >= at + 14) read[line.substr(0, 3)] = std::stod(line.substr(at, 14));
    }
  }
  EXPECT_EQ(epochs, 3);
  ASSERT_EQ(read.size(), ranges.size());
  for (const auto& [sat, range] : ranges) {
    ASSERT_TRUE(read.count(sat)) << sat;
    EXPECT_NEAR(read[sat], range, 1.0) << sat;
  }
}

TEST(RcvsimMsm, TheLastMsmOfAnEpochClearsTheMultipleFlag) {
  using rcvsim::OutputItem;
  using rcvsim::StreamKind;
  const OutputItem items[] = {{StreamKind::Rtcm, "1074"},
                              {StreamKind::Rtcm, "1005"},
                              {StreamKind::Rtcm, "1084"},
                              {StreamKind::Zrx, "PG"},
                              {StreamKind::Rtcm, "1033"}};
  const std::vector<const OutputItem*> due = {&items[0], &items[1], &items[2], &items[3], &items[4]};
  EXPECT_TRUE(rcvsim::msmFollows(items[0], due));
  EXPECT_TRUE(rcvsim::msmFollows(items[1], due));
  EXPECT_FALSE(rcvsim::msmFollows(items[2], due));
  EXPECT_FALSE(rcvsim::msmFollows(items[4], due));
  // Only the epoch's own items count: sent alone, 1074 is the last.
  EXPECT_FALSE(rcvsim::msmFollows(items[0], {&items[0]}));
}
