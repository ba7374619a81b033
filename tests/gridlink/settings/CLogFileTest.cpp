#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

#include "TempDir.h"
#include "gridlink/CLogFile.h"

namespace {
std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
const std::string kStamp = R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d )";
}  // namespace

TEST(CLogFile, ReadableEscapes) {
  const std::string data = std::string("a\r\n\tb\x01\x7f", 7) + std::string(1, '\0');
  EXPECT_EQ(CLogFile::Readable(data.data(), data.size()), "a<cr><lf>\tb<01><7F><00>");
  const std::string big(5000, 'x');
  EXPECT_EQ(CLogFile::Readable(big.data(), big.size()).size(), 3968u);
}

TEST(CRealLogFile, WritesStartLinesDataAndStop) {
  TempDir dir;
  const std::string path = dir.str() + "/Client.log";
  {
    CRealLogFile log;
    log.Open(path.c_str());
    ASSERT_TRUE(log.isOpen());
    log.WriteLine("plain");
    log.WriteData("Dev > ", "RE002ok\r\n", 9);
    log.WriteTimed("request");
    log.WriteTimedData("Dev < ", "dm\r\n", 4);
  }
  const std::string text = slurp(path);
  const std::regex shape("\\*\\*\\*\\* Start Log " + kStamp + "\\*\\*\\*\\*\r\n\r\n" +
                         "plain\r\n"
                         "Dev > RE002ok<cr><lf>\r\n" +
                         kStamp + "request\r\n" + kStamp + "Dev < dm<cr><lf>\r\n" +
                         "\\*\\*\\*\\* Stop Log " + kStamp + "\\*\\*\\*\\*\r\n");
  EXPECT_TRUE(std::regex_match(text, shape)) << text;
}

TEST(CRealLogFile, AppendsAndSkipsWritesWhenClosed) {
  TempDir dir;
  const std::string path = dir.str() + "/Client.log";
  { CRealLogFile a; a.Open(path.c_str()); a.WriteLine("one"); }
  { CRealLogFile b; b.Open(path.c_str()); b.WriteLine("two"); }
  const std::string text = slurp(path);
  EXPECT_LT(text.find("one\r\n"), text.find("two\r\n"));
  CRealLogFile failed;
  failed.Open((dir.str() + "/missing/dir/x.log").c_str());
  EXPECT_FALSE(failed.isOpen());
  failed.WriteLine("dropped");  // must not crash
}

TEST(ClientLog, IsTheNullLog) {
  CLogFile& log = ClientLog();
  EXPECT_NE(dynamic_cast<CNULL_LogFile*>(&log), nullptr);
  EXPECT_EQ(&log, &ClientLog());
}
