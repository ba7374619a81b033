// The stream logger: the rotation grid, lossless cuts at whole epochs across midnight, the
// file-closed program with an awkward folder name, and the converter's texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "TempDir.h"
#include "gridlink/Framing.h"
#include "logger/ClosedFileActions.h"
#include "logger/GnssLogSession.h"
#include "ZrxEpochs.h"

namespace fs = std::filesystem;
using namespace zrxtest;

namespace {

TEST(RotationClock, FilesChangeOnTheGridOfTheReceiversTime) {
  Gnss::RotationClock hourly(3600, 0);
  EXPECT_EQ(hourly.start(hms(10, 17, 5)), hms(11, 0, 0));
  EXPECT_EQ(hourly.start(hms(11, 0, 0)), hms(12, 0, 0));
  Gnss::RotationClock quarter(900, 0);  // an hour grid: :00, :15, :30, :45
  EXPECT_EQ(quarter.start(hms(10, 17, 5)), hms(10, 30, 0));
  EXPECT_EQ(quarter.start(hms(10, 59, 59)), hms(11, 0, 0));
  Gnss::RotationClock odd(45, 0);  // does not divide the minute: the minute restarts it
  EXPECT_EQ(odd.start(hms(10, 17, 5)), hms(10, 17, 45));
  EXPECT_EQ(odd.start(hms(10, 17, 50)), hms(10, 18, 0));
  Gnss::RotationClock daily(86400, 0);  // the next midnight, on the continuous clock
  EXPECT_EQ(daily.start(hms(23, 0, 0)), hms(24, 0, 0));
  Gnss::RotationClock long_(90000, 0);  // longer than a day: elapsed time only
  EXPECT_EQ(long_.start(hms(10, 0, 0)), hms(10, 0, 0) + 90000000);
  Gnss::RotationClock shifted(3600, 600);  // an offset moves the grid
  EXPECT_EQ(shifted.start(hms(10, 17, 5)), hms(10, 50, 0));
  EXPECT_FALSE(Gnss::RotationClock(0, 0).due(hms(23, 59, 59)));
}

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(GnssLogSession, RotationIsLosslessAtWholeEpochsAcrossMidnight) {
  TempDir dir;
  std::mt19937 rng(11);
  // Half an epoch of noise first, then 1001 s of 5 Hz epochs from 23:53:20.200.
  const std::string lead = frame("PG", "partial") + "~~00";
  const std::string data = epochs(hms(23, 53, 20) + 200, 5005, 200, 2026, 12, 7, rng);
  Gnss::LogFileNamer namer;
  namer.directory = dir.str();
  namer.prefix = "Site";
  namer.suffix = ".zrx";
  Gnss::LogOptions options;
  options.periodSec = 1;
  options.enableCommands = {"em,,/msg/def:0.2"};
  FakeReceiver rcv;
  std::vector<std::string> lines, closed;
  std::mutex lineLock;
  Gnss::GnssLogSession session(rcv, namer, options);
  session.setMessageCallback([&](const std::string& l) {
    std::lock_guard g(lineLock);
    lines.push_back(l);
  });
  session.setFileClosedCallback([&](const std::string& f) { closed.push_back(f); });
  ASSERT_TRUE(session.Start());
  ASSERT_TRUE(rcv.sink);
  // The run ends on bytes that could begin a frame: they still belong to the last file.
  const std::string tail = "R~~0";
  const std::string all = lead + data + tail;
  for (std::size_t p = 0; p < all.size();) {
    const std::size_t n = std::min<std::size_t>(1 + rng() % 700, all.size() - p);
    rcv.sink(reinterpret_cast<const std::uint8_t*>(all.data() + p), n);
    p += n;
  }
  session.Stop();
  EXPECT_TRUE(rcv.raw.empty());  // nothing sent at rotations
  EXPECT_EQ(rcv.commands, (std::vector<std::string>{"%LG1%em,,/msg/def:0.2", "%LG2%dm"}));

  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir.path())) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_EQ(files.size(), 1002u);  // 23:53:20.2 to 00:10:01.0, a file per second
  ASSERT_EQ(closed.size(), files.size());
  for (const fs::path& f : files) EXPECT_NE(f.filename().string()[0], '~');  // no temporary left
  EXPECT_EQ(files.front().filename(), "Site_2026_12_07_23.53.20.zrx");
  EXPECT_EQ(files[399].filename(), "Site_2026_12_07_23.59.59.zrx");
  EXPECT_EQ(files[400].filename(), "Site_2026_12_08_00.00.00.zrx");
  std::string joined;
  for (const fs::path& f : files) {
    const std::string bytes = readAll(f);
    ASSERT_EQ(bytes.substr(0, 5), "~~005") << f;  // every file begins with a whole epoch
    joined += bytes;
  }
  EXPECT_TRUE(joined == data + tail) << "joined " << joined.size() << " bytes, sent " << data.size();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find(" Log file started: ") == 8; }),
            1002);
}

TEST(GnssLogSession, FileClosedProgramGetsEachPathOnceInAnAwkwardFolder) {
  TempDir dir;
  const fs::path folder = dir.path() / "logs with 'quote' and $HOME";
  fs::create_directories(folder);
  const fs::path script = folder / "on close.sh";
  const fs::path record = dir.path() / "record.txt";
  {
    std::ofstream s(script);
    s << "#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$2\" >> '" << record.string() << "'\n";
  }
  fs::permissions(script, fs::perms::owner_all);
  Gnss::LogFileNamer namer;
  namer.mode = 2;
  namer.directory = folder.string();
  namer.prefix = "Base";
  namer.suffix = ".zrx";
  Gnss::LogOptions options;
  options.periodSec = 1;
  FakeReceiver rcv;
  Gnss::GnssLogSession session(rcv, namer, options);
  std::vector<std::string> expected;
  session.setFileClosedCallback([&](const std::string& f) {
    std::string error;
    EXPECT_EQ(Gnss::RunProgram({script.string(), f, "a $b"}, "", error), 0) << error;
    expected.push_back(f + "|a $b");
  });
  ASSERT_TRUE(session.Start());
  std::mt19937 rng(3);
  const std::string data = epochs(hms(12, 0, 0), 15, 200, 2026, 1, 2, rng);
  rcv.sink(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
  session.Stop();
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(expected[0], (folder / "Base_1.zrx").string() + "|a $b");
  std::ifstream in(record);
  std::vector<std::string> got;
  for (std::string l; std::getline(in, l);) got.push_back(l);
  EXPECT_EQ(got, expected);
}

TEST(Zrx2Rin, CommandLineHeaderAndExitTexts) {
  TempDir dir;
  Gnss::Zrx2RinSettings s;
  s.program = "zrx2rin";
  s.outputDir = dir.str();
  s.noGlo = true;
  s.header = {{"OBSERVER", "Ana"}, {"MARKER NAME", "PT01"}};
  s.receiverId = "SIM0A1B2C3D4";
  std::string error;
  const auto argv = Gnss::Zrx2RinCommand(s, "/data/a b.zrx", error);
  const std::vector<std::string> want = {"zrx2rin", "-i", "/data/a b.zrx", "-o", dir.str(), "-R", "-p",
                                         dir.str() + "/profile.ini"};
  EXPECT_EQ(argv, want);
  const std::string header = readAll(dir.path() / "profile.ini");
  EXPECT_EQ(header.rfind("[ZRX2RIN]\nRUN BY= \nOBSERVER= Ana\n", 0), 0u);
  EXPECT_NE(header.find("MARKER NAME= PT01\nMARKER NUMBER= \nREC #= SIM0A1B2C3D4\n"), std::string::npos);
  s.options = "-p own.ini -v";
  fs::remove(dir.path() / "profile.ini");
  const auto own = Gnss::Zrx2RinCommand(s, "f.zrx", error);
  EXPECT_FALSE(fs::exists(dir.path() / "profile.ini"));
  EXPECT_EQ(own.back(), "-v");
  EXPECT_EQ(Gnss::Zrx2RinExitText(2), "ZRX to RINEX : Terminated with error code 2 (Not a ZRX file format)");
  EXPECT_EQ(Gnss::Zrx2RinExitText(-1), "ZRX to RINEX : Terminated with error code -1 (Invalid command line?)");
}

}  // namespace
