// stelvan-log against the simulator with its clock running 100 times faster: a thousand
// one-second files across midnight, and what they hold equals, byte for byte, what the
// simulator sent from the first whole epoch on.
#include <gtest/gtest.h>

#include "LogTestSupport.h"
#include "TempDir.h"
#include "TestPaths.h"

namespace fs = std::filesystem;
using namespace logtest;

namespace {

TEST(StelvanLog, AThousandRotationsAcrossMidnightLoseNothing) {
  TempDir dir;
  ScopedConfigHome config;
  const fs::path logs = dir.path() / "logs";
  fs::create_directory(logs);
  const std::string bin = TestPaths::binDir();
  Child sim({bin + "/rcvsim", "--pty", "--seed", "5", "--time-scale", "100", "--start", "2026-12-07T23:50:00",
             "--trace", (dir.path() / "trace.txt").string()},
            dir.path() / "sim.out");
  std::string pty;
  for (int i = 0; i < 250 && pty.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string s = readAll(dir.path() / "sim.out");
    if (s.rfind("pty ", 0) == 0) pty = s.substr(4, s.find('\n') - 4);
  }
  ASSERT_FALSE(pty.empty());
  Child logger({bin + "/stelvan-log", "--port", pty, "--rate", "115200", "--dir", logs.string(), "--period",
                "1", "--messages", "RT:0.2,RD:0.2,PG:0.2,EE:0.2", "--seconds", "120"},
               dir.path() / "log.out");
  // Stopped once a thousand files are closed, however slow the machine is.
  auto closedFiles = [&] {
    std::size_t n = 0;
    for (const auto& e : fs::directory_iterator(logs)) n += e.path().filename().string()[0] != '~';
    return n;
  };
  for (int waited = 0; closedFiles() < 1000 && waited < 60000; waited += 100)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_EQ(logger.stop(20000), 0);

  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(logs)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 1000u);
  std::string joined;
  bool crossed = false;
  for (const fs::path& f : files) {
    ASSERT_NE(f.filename().string()[0], '~') << "temporary file left: " << f;
    crossed |= f.filename().string().rfind("Site_2026_12_08_00.00.00", 0) == 0;
    const std::string bytes = readAll(f);
    ASSERT_EQ(bytes.substr(0, 5), "~~005") << f;
    joined += bytes;
  }
  EXPECT_TRUE(crossed);
  const std::string sent = sentFromFirstEpoch(dir.path() / "trace.txt");
  ASSERT_FALSE(sent.empty());
  EXPECT_TRUE(joined == sent) << "logged " << joined.size() << " bytes, sent " << sent.size() << " from the first epoch";
  const std::string out = readAll(dir.path() / "log.out");
  EXPECT_EQ(static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n')), 2 * files.size());
}

}  // namespace
