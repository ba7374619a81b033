// stelvan-decode as a program: options, exit codes, the two outputs.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "TempDir.h"
#include "TestPaths.h"
#include "stelvan/parsers/FrameBuilders.h"

namespace {

struct Result {
  int status = -1;
  std::string out;
};

Result run(const std::string& args) {
  const std::string cmd = TestPaths::binDir() + "/stelvan-decode " + args + " 2>/dev/null";
  Result r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

TEST(DecodeCli, UsageAndErrors) {
  const Result help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--stats"), std::string::npos);
  EXPECT_EQ(run("--bogus").status, 2);
  EXPECT_EQ(run("a b").status, 2);
  EXPECT_EQ(run("/nonexistent/capture.bin").status, 2);
  EXPECT_EQ(run("/").status, 2);  // a folder reads as an error
}

TEST(DecodeCli, LinesAndStats) {
  TempDir dir;
  const std::string gga = ptest::nmea("GPGGA,1,2,3");
  const std::string frame = ptest::rtcm3(1004, 20);
  const std::string path = dir.str() + "/s.bin";
  {
    std::ofstream f(path, std::ios::binary);
    f << "junk" << gga << "\r\n" << frame << "\x01\x02";
  }
  const Result lines = run(path);
  ASSERT_EQ(lines.status, 0);
  EXPECT_EQ(lines.out, "4 NMEA GPGGA " + std::to_string(gga.size()) + " -\n" +
                           std::to_string(6 + gga.size()) + " RTCM_3 1004 " + std::to_string(frame.size()) +
                           " -\n");
  const Result stats = run("--stats < " + path);
  ASSERT_EQ(stats.status, 0);
  EXPECT_EQ(stats.out,
            "{\"bytes\": " + std::to_string(8 + gga.size() + frame.size()) +
                ", \"unknown_bytes\": 6, \"messages\": {\"NMEA:GPGGA\": 1, \"RTCM_3:1004\": 1}}\n");
  // Strict: the parsers keep their defaults and know no lengths.
  const Result strict = run("--stats --strict " + path);
  ASSERT_EQ(strict.status, 0);
  EXPECT_NE(strict.out.find("\"messages\": {}"), std::string::npos);
}

}  // namespace
