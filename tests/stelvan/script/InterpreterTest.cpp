// The script language against a table of replies: control flow across levels, variables,
// quoting, error policy and file lookup.
#include <gtest/gtest.h>

#include "CScriptInterpreter.h"
#include "ScriptHarness.h"
#include "ScriptText.h"

namespace {

class InterpreterTest : public ::testing::Test {
 protected:
  InterpreterTest() { interp.setScriptDir(dir.str()); }
  bool has(const std::string& line) const {
    return std::find(host.lines.begin(), host.lines.end(), line) != host.lines.end();
  }
  TempDir dir;
  RecordingHost host;
  TableSender sender;
  CScriptInterpreter interp{sender, host};
};

TEST_F(InterpreterTest, GotoOnAReplyValueFindsItsLabelWhateverTheCase) {
  sender.replies["%Receiver model%print,/par/rcv/model"] = "RE015%Receiver model%NH-RCV-100";
  writeFile(dir, "model.zrx",
            "%Receiver model%print,/par/rcv/model\r\n@goto Is@0\r\nprint,wrong\r\n@stop\r\n"
            "@:ISnh-Rcv-100\r\nprint,right\r\n");
  EXPECT_FALSE(interp.run("model"));
  EXPECT_EQ(sender.sent, (std::vector<std::string>{"%Receiver model%print,/par/rcv/model", "print,right"}));
  EXPECT_TRUE(has(">@goto IsNH-RCV-100"));
}

TEST_F(InterpreterTest, StopReturnsToTheCallerAndExitEndsEveryLevel) {
  writeFile(dir, "inner.zrx", "print,inner\n@stop\nprint,never\n");
  writeFile(dir, "leave.zrx", "@exit\nprint,never\n");
  writeFile(dir, "outer.zrx", "@call inner\nprint,after-stop\n@call leave\nprint,after-exit\n");
  EXPECT_TRUE(interp.run("outer"));
  EXPECT_EQ(sender.sent, (std::vector<std::string>{"print,inner", "print,after-stop"}));
}

TEST_F(InterpreterTest, ArgumentsDefaultsAndQuotedValues) {
  writeFile(dir, "args.zrx",
            "@default @1 one\n@default @2 two\n@default @0 zero\n"
            "@set @3 \"quoted\"\n@set @4 \"two words\"\n@set @0 x\n@set @5 @1-@2\n"
            "set,@1,@2,@3,@4,@5,@0\nset,/x,\"@1 stays\",@1\n@echo off\n@echo  keep @1\n");
  EXPECT_FALSE(interp.run("args.zrx A"));
  ASSERT_EQ(sender.sent.size(), 2u);
  // @2 took its default, @4 kept empty (four tokens), @0 never changed by default or set.
  EXPECT_EQ(sender.sent[0], "set,A,two,quoted,,A-two,args.zrx");
  EXPECT_EQ(sender.sent[1], "set,/x,\"@1 stays\",A");
  EXPECT_EQ(host.lines.back(), ">  keep A");
}

TEST_F(InterpreterTest, VariableZeroIsTheFileNameThenTheLastReply) {
  sender.replies["print,/par/a"] = "RE00A%id%  value ";
  sender.replies["print,/par/b"] = "RE003abc";
  writeFile(dir, "zero.zrx", "echo,@0\nprint,/par/a\necho,@0\nprint,/par/b\necho,@0\n");
  interp.run("zero.zrx");
  EXPECT_EQ(sender.sent[0], "echo,zero.zrx");
  EXPECT_EQ(sender.sent[2], "echo,value");
  EXPECT_EQ(sender.sent[4], "echo,abc");
}

TEST_F(InterpreterTest, AnErrorStopsEveryLevelUnlessStopOnErrorsIsOff) {
  sender.refused["print,bad"] = true;
  writeFile(dir, "lenient.zrx", "@stoponerrors ON\nprint,bad\nprint,after\n");
  EXPECT_FALSE(interp.run("lenient"));
  EXPECT_EQ(sender.sent.back(), "print,after");

  sender.sent.clear();
  writeFile(dir, "strict.zrx", "print,bad\nprint,never\n");
  writeFile(dir, "caller.zrx", "@call strict\nprint,never\n");
  EXPECT_TRUE(interp.run("caller"));
  EXPECT_EQ(sender.sent, std::vector<std::string>{"print,bad"});
  EXPECT_TRUE(has(">Stop receiver reply : An error reply from the receiver"));
  EXPECT_TRUE(has("ER:refused print,bad"));
}

TEST_F(InterpreterTest, MissingScriptsAndTheDepthLimitEndTheRun) {
  writeFile(dir, "calls-missing.zrx", "@call nothere 1 2\nprint,never\n");
  EXPECT_TRUE(interp.run("calls-missing"));
  EXPECT_TRUE(sender.sent.empty());
  EXPECT_NE(std::find(host.statuses.begin(), host.statuses.end(), "Unable to open nothere.zrx"),
            host.statuses.end());

  writeFile(dir, "self.zrx", "count\n@call self\nprint,never\n");
  EXPECT_TRUE(interp.run("self"));
  EXPECT_EQ(sender.sent.size(), 201u);  // depths 0..200 each send once
  EXPECT_NE(std::find(host.statuses.begin(), host.statuses.end(), "Too deep call level (200)!"),
            host.statuses.end());
}

TEST_F(InterpreterTest, TimeoutAndSleepApplyPerLevel) {
  writeFile(dir, "inner.zrx", "print,inner\n@sleep\n");
  writeFile(dir, "outer.zrx", "@timeout 750\nprint,outer\n@call inner\nprint,outer-again\n@sleep 25\n");
  interp.run("outer");
  EXPECT_EQ(sender.timeouts, (std::vector<unsigned>{750, CScriptInterpreter::kDefaultTimeoutMs, 750}));
  EXPECT_EQ(host.slept, 1025u);
}

TEST_F(InterpreterTest, StopScriptAbortsAtTheNextLine) {
  writeFile(dir, "long.zrx", "print,1\n@sleep 100000\nprint,2\n");
  int pumps = 0;
  host.onPump = [&] {
    if (++pumps == 5) interp.abort();
  };
  interp.run("long");
  EXPECT_EQ(sender.sent, std::vector<std::string>{"print,1"});
  EXPECT_EQ(host.statuses.back(), "Aborted by user!");
  EXPECT_LT(host.slept, 1000u);
}

TEST(ScriptTextTest, TokensSubstitutionAndUtf16Files) {
  EXPECT_EQ(ScriptText::tokenise("  a   b\tc 4 5 6 7 8 9 10 11"),
            (std::vector<std::string>{"a", "b", "c", "4", "5", "6", "7", "8", "9", "10"}));
  ScriptText::Variables v;
  v[1] = "@2";
  v[2] = "x";
  // Only the span between the first two quotes is kept; inserted text is not rescanned.
  EXPECT_EQ(ScriptText::substitute("@1 \"@1\" @1 \"@1\" @a", v), "@2 \"@1\" @2 \"@2\" @a");

  TempDir dir;
  const std::string utf16(
      "\xFF\xFE"
      "p\0r\0i\0n\0t\0,\0\xE9\0\n\0",
      18);
  writeFile(dir, "u.zrx", utf16);
  std::string text;
  ASSERT_TRUE(ScriptText::readScriptFile((dir.path() / "u.zrx").string(), text));
  EXPECT_EQ(text, "print,\xC3\xA9\n");
  writeFile(dir, "open.zrx", "print,x");
  ASSERT_TRUE(ScriptText::readScriptFile((dir.path() / "open.zrx").string(), text));
  EXPECT_EQ(text, "print,x\r\n");
}

}  // namespace
