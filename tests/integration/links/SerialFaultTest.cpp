// The serial link under the simulator's faults: silence, noise, corruption, a cut line.
#include "SerialLinkFixture.h"

namespace linktest {
namespace {

TEST_F(SerialLinkTest, SilentReceiverGivesReplyTimeout) {
  startSim(options());
  openLink();
  ASSERT_EQ(link->StatusText(), "");
  sim->faults().noReplies = true;
  std::string reply;
  EXPECT_FALSE(link->SendCommand("print,/par/rcvid", reply, 700));
  EXPECT_EQ(reply, "ER:Receiver reply timeout!");
  EXPECT_EQ(link->LastWaitResult(), 0);
  sim->faults().noReplies = false;
  EXPECT_TRUE(link->SendCommand("print,/par/rcvid", reply, 2000)) << reply;
}

TEST_F(SerialLinkTest, NoiseAndCorruptionNeverBreakTheExchange) {
  startSim(options());
  openLink();
  ASSERT_EQ(link->StatusText(), "");
  sim->faults().noise = 0.5;
  sim->faults().corrupt = 0.02;
  int good = 0;
  for (int i = 0; i < 40; ++i) {
    std::string reply;
    const bool ok = link->SendCommand("%" + std::to_string(i) + "%print,/par/rcvid", reply, 500);
    ASSERT_TRUE(reply.rfind("RE", 0) == 0 || reply.rfind("ER", 0) == 0) << reply;
    if (ok && reply.find("SIM0A1B2C3D4") != std::string::npos) ++good;
  }
  EXPECT_GT(good, 0);
  sim->faults().noise = 0;
  sim->faults().corrupt = 0;
  std::string reply;
  link->WaitQuiet(100, 1000);
  EXPECT_TRUE(link->SendCommand("%99%print,/par/rcvid", reply, 2000)) << reply;
  EXPECT_EQ(reply.substr(5), "%99%SIM0A1B2C3D4");
}

TEST_F(SerialLinkTest, TerminalClosedUnderTheLinkEndsInAClearError) {
  startSim(options());
  openLink();
  ASSERT_EQ(link->StatusText(), "");
  sim->stop();
  ASSERT_TRUE(eventually([&] { return link->LinkLost(); }));
  EXPECT_NE(link->StatusText().find("Receiver link lost"), std::string::npos) << link->StatusText();
  std::string reply;
  // Fails at once, not after the time-out, and keeps failing the same way.
  EXPECT_FALSE(link->SendCommand("print,/par/rcvid", reply, 99999));
  EXPECT_EQ(reply, "ER:" + link->StatusText());
  std::string script;
  EXPECT_EQ(link->RunScript("@scr stoperrors on\nprint,/par/rcvid\n", script), 0);
  link.reset();  // the reader has ended; the destructor returns promptly
}

}  // namespace
}  // namespace linktest
