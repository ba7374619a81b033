// The simulated receiver's use of corrections on port B, on a clock the test
// sets: float as soon as a station and observations arrive, fixed after a few
// seconds of them, standalone again ten seconds after they stop.
#include <gtest/gtest.h>

#include <map>

#include "ChildProcess.h"
#include "Rtcm3Frames.h"
#include "TestPaths.h"
#include "rcvsim/CorrectionInput.h"

using rcvsim::CorrectionInput;

namespace {

// The capture's frames by message number.
std::map<unsigned, std::string> framesOf(const std::string& bytes) {
  std::map<unsigned, std::string> out;
  Ntrip::Rtcm3Frames f([&](unsigned type, const char* frame, std::size_t n) { out[type].assign(frame, n); });
  f.Feed(bytes.data(), bytes.size());
  return out;
}

}  // namespace

TEST(CorrectionInput, FloatThenFixedThenStandaloneAgain) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  const auto frames = framesOf(readWhole(dir + "/pygpsdata-NTRIP-USCL00CHL0.log"));
  ASSERT_TRUE(frames.count(1005) && frames.count(1077));
  const std::string station = frames.at(1005), msm = frames.at(1077), ephemeris = frames.at(1019);

  CorrectionInput in;
  in.onBytes(station.data(), station.size(), 0);
  in.onBytes(ephemeris.data(), ephemeris.size(), 0);
  EXPECT_EQ(in.solutionType(1, true, true, 100), 1) << "a station alone corrects nothing";
  std::string broken = msm;
  broken[8] ^= 1;
  in.onBytes(broken.data(), broken.size(), 200);
  EXPECT_EQ(in.solutionType(1, true, true, 300), 1) << "a frame with a bad CRC is no observation";
  // Split across two reads, as a serial port delivers it.
  in.onBytes(msm.data(), 10, 1000);
  in.onBytes(msm.data() + 10, msm.size() - 10, 1000);
  EXPECT_EQ(in.solutionType(1, true, true, 1000), 3);
  EXPECT_EQ(in.solutionType(1, true, true, 1000 + CorrectionInput::kFixAfterMs), 4);
  EXPECT_EQ(in.solutionType(1, true, false, 1000 + CorrectionInput::kFixAfterMs), 3) << "fixed solutions off";
  EXPECT_EQ(in.solutionType(0, true, true, 2000), 0) << "no satellites, no solution";
  double age = 0;
  int id = 0;
  ASSERT_TRUE(in.differential(2500, age, id));
  EXPECT_DOUBLE_EQ(age, 1.5);
  EXPECT_EQ(id, 0) << "the capture's 1005 names station 0";
  // The station was last heard at 0: ten seconds later the corrections are stale.
  EXPECT_EQ(in.solutionType(1, true, true, CorrectionInput::kTimeoutMs), 1);
  EXPECT_FALSE(in.differential(CorrectionInput::kTimeoutMs, age, id));
  // They come back: float first again.
  in.onBytes(station.data(), station.size(), 20000);
  in.onBytes(msm.data(), msm.size(), 20000);
  EXPECT_EQ(in.solutionType(1, true, true, 20500), 3);
}
