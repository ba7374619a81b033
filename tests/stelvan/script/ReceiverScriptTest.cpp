// Scripts run through a real CReceiver on the local server against the simulator on a pty.
#include <gtest/gtest.h>

#include "CReceiverSender.h"
#include "CScriptInterpreter.h"
#include "ScriptHarness.h"
#include "integration/session/SessionFixture.h"

namespace {

class ReceiverScriptTest : public sessiontest::SessionTest {
 protected:
  void SetUp() override {
    startSim(sessiontest::simOptions(files));
    openAll();
    sender = std::make_unique<CReceiverSender>(rcv);
    interp = std::make_unique<CScriptInterpreter>(*sender, host);
    interp->setScriptDir(scripts.str());
  }
  void TearDown() override {
    interp.reset();
    sender.reset();
    SessionTest::TearDown();
  }
  TempDir scripts;
  RecordingHost host;
  std::unique_ptr<CReceiverSender> sender;
  std::unique_ptr<CScriptInterpreter> interp;
};

TEST_F(ReceiverScriptTest, RepliesFeedVariablesAndLabels) {
  writeFile(scripts, "setup.zrx",
            "%Receiver model%print,/par/rcv/model\r\n@goto Is@0\r\n@exit\r\n@:IsNH-RCV-100\r\n"
            "%%set,/par/pos/elm,@1\r\n%e%print,/par/pos/elm\r\n@echo elm=@0\r\n");
  EXPECT_FALSE(interp->run("setup 17"));
  const std::vector<std::string> want = {">%Receiver model%print,/par/rcv/model",
                                         "RE01A%Receiver model%NH-RCV-100",
                                         ">@goto IsNH-RCV-100",
                                         ">%%set,/par/pos/elm,17",
                                         "RE002%%",
                                         ">%e%print,/par/pos/elm",
                                         "RE005%e%17",
                                         "> elm=17"};
  EXPECT_EQ(host.lines, want);
}

TEST_F(ReceiverScriptTest, TheScriptTimeoutBoundsEachExchangeAndLateRepliesDoNotCross) {
  writeFile(scripts, "slow.zrx", "@timeout 200\nprint,/par/pos/elm\nprint,/par/rcv/model\n");
  sim->faults().replyDelayMs = 1500;
  EXPECT_TRUE(interp->run("slow"));
  EXPECT_EQ(host.lines.at(2), CReceiverSender::kTimeoutReply);
  EXPECT_EQ(host.lines.back(), ">Stop receiver reply : An error reply from the receiver");
  sim->faults().replyDelayMs = 0;
  std::string reply;
  EXPECT_TRUE(sender->SendCommand("print,/par/rcv/model", 5000, reply));
  EXPECT_EQ(reply, "RE00ANH-RCV-100");
}

}  // namespace
