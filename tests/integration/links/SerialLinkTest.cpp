// The serial link's open against the simulator: rate search, speed change, handshake, exchange.
#include "SerialLinkFixture.h"

namespace linktest {
namespace {

TEST_F(SerialLinkTest, ReceiverAt9600IsFoundAtTheNinthRateAndSwitchedWithOneCommand) {
  startSim(options(9600));
  openLink("115200");
  ASSERT_EQ(link->StatusText(), "");
  const auto rates = ratesTried();
  ASSERT_EQ(rates.size(), 9u);
  EXPECT_EQ(rates.front(), 115200);  // the requested rate comes first
  EXPECT_EQ(rates.back(), 9600);
  EXPECT_EQ(link->CurrentRate(), 115200u);
  std::string reply;
  ASSERT_TRUE(link->SendCommand("print,/par/cur/term/rate", reply, 2000)) << reply;
  EXPECT_NE(reply.find("115200"), std::string::npos) << reply;
  EXPECT_EQ(count(trace(), "%%set,cur/term/rate,115200"), 1u);
  ASSERT_TRUE(link->SendCommand("print,/par/cur/term/rtscts", reply, 2000));
  EXPECT_NE(reply.find("on"), std::string::npos) << reply;
}

TEST_F(SerialLinkTest, ReceiverAtTheRequestedRateAnswersAtOnce) {
  startSim(options(115200));
  openLink("115200", "0");
  ASSERT_EQ(link->StatusText(), "");
  EXPECT_EQ(ratesTried().size(), 1u);
  EXPECT_EQ(count(trace(), "cur/term/rate,"), 0u);  // no speed change sent
  std::string reply;
  ASSERT_TRUE(link->SendCommand("print,/par/cur/term/rtscts", reply, 2000));
  EXPECT_NE(reply.find("off"), std::string::npos) << reply;
}

TEST_F(SerialLinkTest, LoopCommandAnsweredExactlyAfterTheStopSequence) {
  startSim(options());
  openLink();
  ASSERT_EQ(link->StatusText(), "");
  std::string reply;
  EXPECT_TRUE(link->SendCommand("\ndm\n||\ndm\n||####\ndm", reply, 0));
  link->WaitQuiet(150, 1500);
  ASSERT_TRUE(link->SendCommand("%Loop%", reply, 9999));
  EXPECT_EQ(reply, "RE006%Loop%");
  // A numbered command gets its own reply back, the identifier still in it.
  ASSERT_TRUE(link->SendCommand("%42%print,/par/rcvid", reply, 2000));
  EXPECT_EQ(reply.substr(5), "%42%SIM0A1B2C3D4");
}

TEST_F(SerialLinkTest, LongRepliesAreJoined) {
  auto o = options();
  o.maxReplyBody = 40;  // the message list comes in many pieces
  startSim(o);
  openLink();
  ASSERT_EQ(link->StatusText(), "");
  std::string reply;
  ASSERT_TRUE(link->SendCommand("list,/msg/zrx", reply, 29999)) << reply;
  ASSERT_GT(reply.size(), 45u);
  EXPECT_EQ(reply.substr(5, 1), "{");
  EXPECT_EQ(reply.back(), '}');
  EXPECT_EQ(Zrx::hexField(3, reply.c_str() + 2), std::min<std::size_t>(reply.size() - 5, 0xFFF));
  EXPECT_EQ(count(reply, "RE"), 1u) << reply;  // no frame header inside the joined text
}

TEST_F(SerialLinkTest, ScriptStopsAtTheFailingCommand) {
  startSim(options());
  openLink();
  ASSERT_EQ(link->StatusText(), "");
  std::string report;
  EXPECT_EQ(
      link->RunScript("@scr stoperrors on\nprint,/par/rcvid\nprint,/par/no/such\nprint,/par/rcvid\n", report),
      0);
  EXPECT_EQ(count(report, "SIM0A1B2C3D4"), 1u) << report;
  EXPECT_EQ(report.substr(report.rfind('\n') + 1, 2), "ER") << report;
  EXPECT_EQ(link->RunScript("@scr\nprint,/par/rcvid\nprint,/par/no/such\nprint,/par/rcvid\n", report), 2);
}

TEST_F(SerialLinkTest, OpenFailuresLeaveOneClearText) {
  startSim(options());
  struct Case {
    std::string receiver;
    std::string status;
  };
  const Case cases[] = {
      {"COM" + sim->ptyPath() + ":14400:1", "Error baud!!"},
      {"COM" + sim->ptyPath(), "COM" + sim->ptyPath()},  // fewer than three fields
      {"COM" + sim->ptyPath() + ":fast:1", "Error baud!!"},
  };
  for (const auto& c : cases) {
    CSerialConnection l(owner, c.receiver);
    EXPECT_EQ(l.StatusText(), c.status) << c.receiver;
  }
  EXPECT_TRUE(ratesTried().empty());  // refused before the port was touched
  CSerialConnection missing(owner, "COM" + (dir.path() / "nosuchtty").string() + ":115200:1");
  EXPECT_EQ(missing.StatusText(), "COM No such file or directory");
}

TEST_F(SerialLinkTest, AbortFromTheProgressCallbackEndsTheSearch) {
  startSim(options(9600));
  {
    std::lock_guard<std::mutex> g(g_search.lock);
    g_search.abortAt = 460800;  // the third rate
  }
  openLink();
  EXPECT_EQ(link->StatusText(), "ER:Aborted by user!");
  EXPECT_EQ(ratesTried().size(), 3u);
}

TEST_F(SerialLinkTest, PortNumbersMapToOnBoardDevices) {
  EXPECT_EQ(CSerialConnection::DevicePath("1"), "/dev/ttyS0");
  EXPECT_EQ(CSerialConnection::DevicePath("12"), "/dev/ttyS11");
  EXPECT_EQ(CSerialConnection::DevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(CSerialConnection::DevicePath("0"), "0");
}

}  // namespace
}  // namespace linktest
