// The file list reply and the file-system report, without a display.
#include <gtest/gtest.h>

#include "files/FileSystemReport.h"
#include "files/ReceiverFileList.h"

namespace {

TEST(ReceiverFileListTest, ParsesEntriesAndShowsReceiverTimes) {
  const auto files = Files::ParseFileList("RE03A{{log0427a,  9000 ,0},{b,12,1234567890},{c d,1,86399}}");
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].name, "log0427a");
  EXPECT_EQ(files[0].size, "9000");
  EXPECT_EQ(Files::FileDate(files[0].time), "01.01.1988");
  EXPECT_EQ(Files::FileTime(files[0].time), "00:00:00");
  EXPECT_EQ(Files::FileDate(files[1].time), "13.02.2027");
  EXPECT_EQ(Files::FileTime(files[1].time), "23:31:30");
  EXPECT_EQ(files[2].name, "c d");
  EXPECT_EQ(Files::FileTime(files[2].time), "23:59:59");
  EXPECT_EQ(Files::LocalName("b"), "b.zrx");
  EXPECT_TRUE(Files::ParseFileList("RE002{}").empty());
  EXPECT_TRUE(Files::ParseFileList("ER010No such file").empty());
  // A cut reply keeps the whole entries before the cut.
  EXPECT_EQ(Files::ParseFileList("RE000{{a,1,2},{b,3").size(), 1u);
}

TEST(FileSystemReportTest, MissingAnswersLeaveTheirLinesOut) {
  std::vector<std::optional<std::string>> answers(Files::FileSystemQueries().size());
  answers[0] = "2.3";
  answers[4] = "1000";
  answers[9] = "{{1,2,3},{4,5,6}}";
  const std::string r = Files::FileSystemReport(answers);
  EXPECT_EQ(r,
            "------- File System Information -------\r\n"
            "Version:\t\t\t2.3\r\n"
            "Free memory(b):\t\t1000\r\n"
            "----- Physical Memory Information -----\r\n"
            "----- Read/Write Information ----------\r\n"
            "Reading number:\t\t1\r\nReading errors:\t\t2\r\nReading fatal errors:\t3\r\n"
            "Writing number:\t\t4\r\nWriting errors:\t\t5\r\nWriting fatal errors:\t\t6");
  int total = 0, done = 0;
  EXPECT_TRUE(Files::ParseFsInit("RE007{40,25}", total, done));
  EXPECT_EQ(total, 40);
  EXPECT_EQ(done, 25);
  EXPECT_FALSE(Files::ParseFsInit("ER005error", total, done));
}

}  // namespace
