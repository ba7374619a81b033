// The traffic log's lines (time stamp to the millisecond, direction, text or hex) and its
// rotation at the size limit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "TempDir.h"
#include "gridlink/TrafficLog.h"

using Gridlink::TrafficLog;

namespace {

std::string readAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(TrafficLog, BodiesAreTextOrHex) {
  EXPECT_EQ(TrafficLog::Body("print,/par/rcvid\r\n"), "print,/par/rcvid<cr><lf>");
  EXPECT_EQ(TrafficLog::Body(std::string("PV\x00\x7f", 4)), "hex 50 56 00 7f");
  const std::string big(TrafficLog::kMaxBody + 10, 'a');
  const std::string body = TrafficLog::Body(big);
  EXPECT_EQ(body.size(), TrafficLog::kMaxBody + std::string(" ... (8202 bytes)").size());
  EXPECT_NE(body.find("(8202 bytes)"), std::string::npos);
}

TEST(TrafficLog, LinesCarryMillisecondsAndDirectionAndRotateAtTheLimit) {
  TempDir dir;
  const auto file = dir.path() / "traffic.log";
  std::string error;
  ASSERT_TRUE(TrafficLog::Start(file.string(), 400, error)) << error;
  TrafficLog::Sent("COM/dev/pts/3", "print,/par/rcvid");
  TrafficLog::Received("COM/dev/pts/3", "RE00CSIM0A1B2C3D4");
  const std::string first = readAll(file);
  EXPECT_TRUE(std::regex_search(first, std::regex(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} sent )"
                                                  R"(COM/dev/pts/3: print,/par/rcvid\n)")))
      << first;
  EXPECT_NE(first.find(" recv COM/dev/pts/3: RE00CSIM0A1B2C3D4\n"), std::string::npos) << first;
  for (int i = 0; i < 20; ++i) TrafficLog::Received("rcv data", std::string("PV\x01\x02", 4));
  TrafficLog::Stop();
  EXPECT_LE(std::filesystem::file_size(file), 400u);
  ASSERT_TRUE(std::filesystem::exists(dir.path() / "traffic.log.1"));
  EXPECT_LE(std::filesystem::file_size(dir.path() / "traffic.log.1"), 400u);
  EXPECT_NE(readAll(file).find("recv rcv data: hex 50 56 01 02\n"), std::string::npos);
  // Off, nothing more is written.
  const auto size = std::filesystem::file_size(file);
  TrafficLog::Sent("x", "y");
  EXPECT_EQ(std::filesystem::file_size(file), size);
  EXPECT_FALSE(TrafficLog::Start((dir.path() / "no/such/dir/t.log").string(), 0, error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
  EXPECT_FALSE(TrafficLog::Active());
}

}  // namespace
