// stelvan-decode as a program: options, exit codes, the two outputs.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <vector>

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
                ", \"unknown_bytes\": 6, \"messages\": {\"NMEA:GPGGA\": 1, \"RTCM_3:1004\": 1}, "
                "\"refused\": {}, \"gaps\": 0}\n");
  // Strict: the parsers keep their defaults and know no lengths.
  const Result strict = run("--stats --strict " + path);
  ASSERT_EQ(strict.status, 0);
  EXPECT_NE(strict.out.find("\"messages\": {}"), std::string::npos);
}

}  // namespace

namespace {

std::vector<std::string> lines(const std::string& s) {
  std::vector<std::string> out;
  std::size_t from = 0;
  for (std::size_t nl; (nl = s.find('\n', from)) != std::string::npos; from = nl + 1)
    out.push_back(s.substr(from, nl - from));
  return out;
}

std::string floatsBody(std::initializer_list<float> f4) {
  std::string b;
  for (float f : f4) b.append(reinterpret_cast<const char*>(&f), 4);
  return b + std::string(1, '\x01');
}

TEST(DecodeCli, EpochsAsJsonLines) {
  TempDir dir;
  const auto z = [](const std::string& id, const std::string& body) {
    return ptest::zrx(id, body, ptest::Seal::Binary);
  };
  const std::string zrxPath = dir.str() + "/zrx.bin";
  std::ofstream(zrxPath, std::ios::binary)
      << z("DP", floatsBody({1.5f, 2.5f, 0.5f})) + z("SG", floatsBody({0.25f, 0.5f, 0.0f, 1.0f})) +
             z("||", "") + z("DP", floatsBody({1, 1, 2})) + z("||", "") + z("DP", floatsBody({1, 1, 3}));
  const Result zr = run("--epochs " + zrxPath);
  EXPECT_EQ(zr.status, 0);
  const auto zl = lines(zr.out);
  ASSERT_EQ(zl.size(), 2u) << zr.out;  // the third epoch never ends
  EXPECT_EQ(zl[0],
            "{\"messages\": [\"ZRX:DP\", \"ZRX:SG\"], \"flags\": 4, \"tdop\": 0.5, "
            "\"rms_position_horizontal\": 0.25, \"rms_position_vertical\": 0.5, "
            "\"rms_velocity_horizontal\": 0, \"rms_velocity_vertical\": 1}");
  EXPECT_NE(zl[1].find("\"tdop\": 2"), std::string::npos);

  const auto n = [](const std::string& s) { return ptest::nmea(s) + "\r\n"; };
  const std::string nmeaPath = dir.str() + "/nmea.txt";
  std::ofstream(nmeaPath) << n("GNGGA,010203.5,4807.500,S,01130.000,W,1,05,1.5,545.5,M,46.5,M,,") +
                                 n("GPGSV,2,1,05,70,10,359,30,01,20,100,40,33,,,") +
                                 n("GPGSV,2,2,05,88,5,5,5") + n("GNGGA,010204.0,,,,,0,00,,,M,,M,,") +
                                 n("GNGGA,010205.0,,,,,0,00,,,M,,M,,");
  const Result nr = run("--epochs --begin NMEA:GGA - < " + nmeaPath);
  EXPECT_EQ(nr.status, 0);
  const auto nl = lines(nr.out);
  ASSERT_EQ(nl.size(), 2u) << nr.out;
  EXPECT_EQ(
      nl[0],
      "{\"messages\": [\"NMEA:GNGGA\", \"NMEA:GPGSV\", \"NMEA:GPGSV\"], \"flags\": 55, \"hour\": 1, "
      "\"minute\": 2, \"second\": 3, \"millisecond\": 500, \"latitude\": -48.125, \"longitude\": -11.5, "
      "\"height\": 592, \"hdop\": 1.5, \"fix_quality\": 1, \"satellites_used\": 5, \"satellites_in_view\": "
      "5, "
      "\"satellites\": [{\"system\": 1, \"number\": 1, \"elevation\": 20, \"azimuth\": 100, \"snr\": 40}, "
      "{\"system\": 4, \"number\": 33}, "
      "{\"system\": 2, \"number\": 6, \"elevation\": 10, \"azimuth\": 359, \"snr\": 30}, "
      "{\"system\": 2, \"number\": 24, \"elevation\": 5, \"azimuth\": 5, \"snr\": 5}]}");
  EXPECT_EQ(nl[1],
            "{\"messages\": [\"NMEA:GNGGA\"], \"flags\": 49, \"hour\": 1, \"minute\": 2, \"second\": 4, "
            "\"millisecond\": 0, \"fix_quality\": 0, \"satellites_used\": 0}");
  // A second signal's SNR goes beside the first one's.
  std::ofstream(nmeaPath) << n("GNGGA,010203.5,,,,,0,00,,,M,,M,,") + n("GPGSV,1,1,01,27,15,218,31,1") +
                                 n("GPGSV,1,1,01,27,15,218,29,6") + n("GNGGA,010204.0,,,,,0,00,,,M,,M,,");
  const auto two = lines(run("--epochs --begin NMEA:GGA " + nmeaPath).out);
  ASSERT_EQ(two.size(), 1u);
  EXPECT_NE(two[0].find("\"satellites_in_view\": 1, \"satellites\": [{\"system\": 1, \"number\": 27, "
                        "\"elevation\": 15, \"azimuth\": 218, \"snr\": 31, \"signals\": {\"6\": 29}}]"),
            std::string::npos)
      << two[0];
  EXPECT_EQ(run("--epochs --end nocolon " + nmeaPath).status, 2);
  EXPECT_NE(run("--help").out.find("--epochs"), std::string::npos);
}

}  // namespace
