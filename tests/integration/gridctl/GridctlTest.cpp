// gridctl as a user runs it: against the rcvsim executable on a pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "GridctlRun.h"
#include "TempDir.h"

namespace {

class GridctlTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(sim.pty().empty()) << "rcvsim did not start"; }
  std::string rcv() const { return "--receiver COM" + sim.pty() + ":115200:1 "; }
  ScopedConfigHome config;
  SimProcess sim;
};

TEST_F(GridctlTest, CommandsPrintRepliesAndSetTheExitStatus) {
  Outcome ok = gridctl(rcv() + "print,/par/rcvid %9%print,/par/rcvid");
  EXPECT_EQ(ok.status, 0) << ok.out;
  EXPECT_EQ(ok.out, "RE00CSIM0A1B2C3D4\nRE00F%9%SIM0A1B2C3D4\n");

  Outcome bad = gridctl(rcv() + "print,/par/rcvid print,/par/no/such");
  EXPECT_EQ(bad.status, 1) << bad.out;
  EXPECT_EQ(bad.out.substr(0, 18), "RE00CSIM0A1B2C3D4\n");
}

TEST_F(GridctlTest, ScriptAttachAndList) {
  TempDir dir;
  const std::string file = dir.str() + "/s.txt";
  std::ofstream(file) << "stoperrors on\nprint,/par/rcvid\nprint,/par/no/such\nprint,/par/rcvid\n";
  Outcome script = gridctl(rcv() + "--script " + file);
  EXPECT_EQ(script.status, 1) << script.out;
  EXPECT_EQ(script.out.find("SIM0A1B2C3D4"), script.out.rfind("SIM0A1B2C3D4")) << script.out;

  Outcome attach = gridctl(rcv() + "--attach 0 PV:0.2 --count 2");
  EXPECT_EQ(attach.status, 0) << attach.out;
  EXPECT_EQ(attach.out.rfind("PV ", 0), 0u) << attach.out;
  EXPECT_EQ(std::count(attach.out.begin(), attach.out.end(), '\n'), 2);

  Outcome list = gridctl("--list");
  EXPECT_EQ(list.status, 0);
  // The receiver opened last comes first.
  EXPECT_EQ(list.out.rfind("COM" + sim.pty() + ":115200:1\n", 0), 0u) << list.out;
}

TEST_F(GridctlTest, UsageAndConnectionFailures) {
  EXPECT_EQ(gridctl("--help").status, 0);
  EXPECT_EQ(gridctl("print,/par/rcvid").status, 2);  // no receiver
  EXPECT_EQ(gridctl("--receiver XYZ1 print,/par/rcvid").status, 2);
  EXPECT_EQ(
      gridctl("--server 127.0.0.1:1 --receiver " + std::string("COM") + sim.pty() + ":115200:1 x").status, 2);
}

TEST_F(GridctlTest, UnreadableScriptAndNegativeTimeoutFailClearly) {
  TempDir dir;
  Outcome folder = runCommand(TestPaths::binDir() + "/gridctl " + rcv() + "--script " + dir.str() + " 2>&1");
  EXPECT_EQ(folder.status, 2) << folder.out;
  EXPECT_NE(folder.out.find("is a directory"), std::string::npos) << folder.out;
  Outcome missing = gridctl(rcv() + "--script " + dir.str() + "/none.txt");
  EXPECT_EQ(missing.status, 2);
  Outcome negative =
      runCommand(TestPaths::binDir() + "/gridctl " + rcv() + "--timeout -5 print,/par/rcvid 2>&1");
  EXPECT_EQ(negative.status, 2) << negative.out;
  EXPECT_NE(negative.out.find("--timeout needs a number of 0 or more"), std::string::npos) << negative.out;
  // Nothing was left holding the receiver.
  EXPECT_EQ(gridctl(rcv() + "print,/par/rcvid").status, 0);
}

TEST_F(GridctlTest, TraceRecordsRequestsRepliesAndMessages) {
  TempDir dir;
  const std::string file = dir.str() + "/traffic.log";
  ASSERT_EQ(gridctl("--trace " + file + " " + rcv() + "--attach 0 PV:0.2 --count 1").status, 0);
  std::ifstream in(file);
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(log.find(" sent gridctl: OpenUsr gridctl"), std::string::npos) << log;
  EXPECT_NE(log.find(" recv COM" + sim.pty() + ":115200:1: RE:OK."), std::string::npos) << log;
  // The attached message, binary, as hex.
  EXPECT_NE(log.find(" recv COM" + sim.pty() + ":115200:1 data: hex "), std::string::npos) << log;
  Outcome unwritable = gridctl("--trace " + dir.str() + "/no/such/t.log " + rcv() + "print,/par/rcvid");
  EXPECT_EQ(unwritable.status, 2);
}

}  // namespace
