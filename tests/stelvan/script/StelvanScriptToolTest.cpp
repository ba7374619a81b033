// stelvan-script as a user runs it, against the simulator on a pty.
#include <gtest/gtest.h>

#include "ScriptHarness.h"
#include "ToolRun.h"
#include "integration/session/SessionFixture.h"

namespace {

class StelvanScriptTool : public sessiontest::SessionTest {
 protected:
  void SetUp() override { startSim(sessiontest::simOptions(files)); }
  ToolRun run(const std::string& args) {
    return runTool("stelvan-script", "--receiver " + rcvString() + " " + args);
  }
  TempDir scripts;
};

TEST_F(StelvanScriptTool, PrintsTheRepliesWindowAndRunsCalledScriptsBesideTheFile) {
  writeFile(scripts, "main.zrx", "@echo start @1\r\n@call sub @2\r\nprint,/par/pos/elm\r\n");
  writeFile(scripts, "sub.zrx", "@echo off\r\nset,/par/pos/elm,@1\r\n");
  const ToolRun r = run((scripts.path() / "main").string() + " one 12");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "> start one\n>@call sub 12\nRE000\n>print,/par/pos/elm\nRE00212\n");
  std::string elm;
  ASSERT_TRUE(sim->paramValue("/par/pos/elm", elm));
  EXPECT_EQ(elm, "12");
}

TEST_F(StelvanScriptTool, ControlBytesPrintAsTheWindowShowsThem) {
  writeFile(scripts, "tab.zrx", "@echo a\tb\r\n");
  const ToolRun r = run((scripts.path() / "tab.zrx").string());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "> a.b\n");
}

TEST_F(StelvanScriptTool, ExitStatusFollowsTheResultFlag) {
  writeFile(scripts, "missing.zrx", "@call nothere\r\nprint,/par/pos/elm\r\n");
  ToolRun r = run((scripts.path() / "missing.zrx").string());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, ">@call nothere\n");
  EXPECT_NE(r.err.find("Unable to open nothere.zrx"), std::string::npos) << r.err;

  writeFile(scripts, "refused.zrx", "set,/par/pos/elm,999\r\n");
  r = run((scripts.path() / "refused.zrx").string());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("\n>Stop receiver reply : An error reply from the receiver\n"), std::string::npos)
      << r.out;

  writeFile(scripts, "lenient.zrx", "@stoponerrors off\r\nset,/par/pos/elm,999\r\n");
  EXPECT_EQ(run((scripts.path() / "lenient.zrx").string()).status, 0);
}

TEST_F(StelvanScriptTool, UsageErrorsAndAnUnopenableReceiverGiveTwo) {
  writeFile(scripts, "ok.zrx", "print,/par/pos/elm\r\n");
  EXPECT_EQ(runTool("stelvan-script", (scripts.path() / "ok.zrx").string()).status, 2);
  EXPECT_EQ(runTool("stelvan-script", "--receiver " + rcvString()).status, 2);
  EXPECT_EQ(runTool("stelvan-script",
                    "--receiver COM/nonexistent/tty:115200:1 " + (scripts.path() / "ok.zrx").string())
                .status,
            2);
  const ToolRun help = runTool("stelvan-script", "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--receiver R FILE [ARG...]"), std::string::npos);
}

}  // namespace
