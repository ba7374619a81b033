// The fronts before the receiver: the TCP login prompt, the Wi-Fi port without
// it, the GSM modem's AT dialogue on the pseudo-terminal, and the line speed.
#include "SimFixture.h"
#include "rcvsim/ModemFront.h"

namespace simtest {
namespace {

class TcpLoginTest : public SimTest {
 protected:
  void startTcp(bool wifi, const std::string& password) {
    rcvsim::Options o = baseOptions(dir);
    o.pty = false;
    o.tcp = "127.0.0.1:0";
    o.wifi = wifi;
    o.password = password;
    startSim(o);
    ASSERT_GT(sim->tcpPort(), 0);
    ASSERT_TRUE(link.openTcp(sim->tcpPort()));
  }
  bool waitFor(const std::string& text, int ms = 2000) {
    return link.readUntil([&](const std::string& b) { return b.find(text) != std::string::npos; }, ms);
  }
};

TEST_F(TcpLoginTest, TheRightPasswordIsAccepted) {
  startTcp(false, "s3cret");
  ASSERT_TRUE(waitFor("\r\nlogin:"));
  link.buffer().clear();
  link.send("\n");
  ASSERT_TRUE(waitFor("password:"));
  link.buffer().clear();
  link.send("s3cret\n");
  ASSERT_TRUE(waitFor("\r\n", 2000));
  EXPECT_NE(link.buffer().find("RE"), std::string::npos) << link.buffer();
  link.drain(50);
  EXPECT_EQ(link.exchange("%Loop%"), "RE006%Loop%");
  EXPECT_EQ(replyText(link.exchange("print,/cur/term")), "/dev/tcp/a");
}

TEST_F(TcpLoginTest, AWrongPasswordIsRefusedAndTheConnectionClosed) {
  startTcp(false, "s3cret");
  ASSERT_TRUE(waitFor("login:"));
  link.send("\n");
  ASSERT_TRUE(waitFor("password:"));
  link.buffer().clear();
  link.send("guess\n");
  EXPECT_TRUE(link.closedByPeer(2000));
  EXPECT_EQ(link.buffer().find("RE"), std::string::npos) << link.buffer();
  EXPECT_NE(link.buffer().find("ER"), std::string::npos) << link.buffer();
  // The port serves the next client.
  link.close();
  ASSERT_TRUE(link.openTcp(sim->tcpPort()));
  EXPECT_TRUE(waitFor("login:"));
}

TEST_F(TcpLoginTest, WifiHasNoLogin) {
  startTcp(true, "s3cret");
  EXPECT_TRUE(link.drain(100).empty());
  EXPECT_EQ(link.exchange("%Loop%"), "RE006%Loop%");
}

TEST_F(TcpLoginTest, APeerThatLeavesMidStreamDoesNotHurtTheNext) {
  startTcp(true, "");
  link.sendCommand("em,,/msg/def:0.1");
  ASSERT_TRUE(link.readUntil([](const std::string& b) { return b.size() > 2000; }, 3000));
  link.close();  // gone while the receiver streams
  link.buffer().clear();
  ASSERT_TRUE(link.openTcp(sim->tcpPort()));
  EXPECT_EQ(link.exchange("%Loop%", 3000), "RE006%Loop%");
  EXPECT_TRUE(link.drain(150).empty()) << "a new connection starts without outputs";
}

TEST_F(TcpLoginTest, PtyAndNetworkPortShareOneReceiver) {
  rcvsim::Options o = baseOptions(dir);
  o.tcp = "127.0.0.1:0";
  o.wifi = true;
  startSim(o);
  Link net;
  ASSERT_TRUE(net.openTcp(sim->tcpPort()));
  EXPECT_EQ(link.exchange("set,/par/pos/elm,12"), "RE000");
  EXPECT_EQ(replyText(net.exchange("print,/par/pos/elm")), "12");
  EXPECT_EQ(replyText(net.exchange("print,/cur/term")), "/dev/tcp/a");
  EXPECT_EQ(replyText(link.exchange("print,/cur/term")), "/dev/ser/a");
  // Both stream at once without disturbing each other's replies.
  ASSERT_EQ(link.exchange("em,,/msg/def:0.1").substr(0, 2), "RE");
  ASSERT_EQ(net.exchange("em,,/msg/def:0.1").substr(0, 2), "RE");
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(net.exchange("%" + std::to_string(i) + "%print,/par/rcvid"),
              "RE00F%" + std::to_string(i) + "%SIM0A1B2C3D4");
    EXPECT_EQ(link.exchange("%" + std::to_string(i) + "%print,/par/rcvid"),
              "RE00F%" + std::to_string(i) + "%SIM0A1B2C3D4");
  }
}

class ModemTest : public SimTest {
 protected:
  void startModem(const std::string& pin, const std::string& refuse) {
    rcvsim::Options o = baseOptions(dir);
    o.modem = true;
    o.modemPin = pin;
    o.modemRefuse = refuse;
    o.modemDialMs = 50;
    startSim(o);
  }
  // One AT exchange: the answer line after the leading CR LF.
  std::string at(const std::string& cmd, int ms = 1000) {
    link.buffer().clear();
    link.send(cmd + "\r");
    link.readUntil(
        [](const std::string& b) {
          const std::size_t start = b.find("\r\n");
          return start != std::string::npos && b.find("\r\n", start + 2) != std::string::npos;
        },
        ms);
    const std::string& b = link.buffer();
    const std::size_t start = b.find("\r\n");
    if (start == std::string::npos) return std::string();
    const std::size_t stop = b.find("\r\n", start + 2);
    return b.substr(start + 2, stop == std::string::npos ? std::string::npos : stop - start - 2);
  }
};

TEST_F(ModemTest, DialogueConnectsToTheReceiver) {
  startModem("", "");
  EXPECT_EQ(link.exchange("%Loop%", 200), "") << "nothing reaches the receiver before CONNECT";
  EXPECT_EQ(at("ate0"), "OK");
  EXPECT_EQ(at("atv1"), "OK");
  EXPECT_EQ(at("atd5551234").substr(0, 7), "CONNECT");
  link.drain(50);
  EXPECT_EQ(link.exchange("%Loop%"), "RE006%Loop%");
}

TEST_F(ModemTest, ALockedSimRefusesToDialUntilItsPinCame) {
  startModem("4321", "");
  EXPECT_EQ(at("ate0"), "OK");
  EXPECT_EQ(at("at+cpin?"), "+CPIN: SIM PIN");
  EXPECT_EQ(at("atd5551234"), "+CME ERROR: SIM PIN required");
  EXPECT_EQ(at("at+cpin=\"1111\""), "+CME ERROR: incorrect password");
  EXPECT_EQ(at("at+cpin=\"4321\""), "OK");
  EXPECT_EQ(at("at+cpin?"), "+CPIN: READY");
  EXPECT_EQ(at("atd5551234").substr(0, 7), "CONNECT");
  link.drain(50);
  EXPECT_EQ(link.exchange("%Loop%"), "RE006%Loop%");
}

TEST_F(ModemTest, EscapeNeedsItsGuardTimesAndAthHangsUp) {
  startModem("", "");
  EXPECT_EQ(at("ate0"), "OK");
  EXPECT_EQ(at("atd5551234").substr(0, 7), "CONNECT");
  link.drain(50);
  // Right after other bytes, "+++" is data for the receiver.
  link.send("%Loop%\r\n+++");
  const std::string afterEarlyEscape = link.drain(rcvsim::ModemFront::kGuardMs + 300);
  EXPECT_EQ(afterEarlyEscape.find("\r\nOK\r\n"), std::string::npos) << afterEarlyEscape;
  link.send("\r\n");  // ends the receiver's "+++" line
  link.drain(100);
  EXPECT_EQ(link.exchange("%Loop%"), "RE006%Loop%");
  link.drain(rcvsim::ModemFront::kGuardMs + 100);
  link.buffer().clear();
  link.send("+++");
  ASSERT_TRUE(link.readUntil([](const std::string& b) { return b.find("\r\nOK\r\n") != std::string::npos; },
                             static_cast<int>(rcvsim::ModemFront::kGuardMs) + 2000));
  EXPECT_EQ(at("ath"), "OK");
  EXPECT_EQ(link.exchange("%Loop%", 200), "") << "the call is over: nothing reaches the receiver";
  EXPECT_EQ(at("atd5551234").substr(0, 7), "CONNECT") << "and the modem dials again";
}

TEST_F(ModemTest, ARefusalNeverConnects) {
  startModem("", "NO CARRIER");
  EXPECT_EQ(at("ate0"), "OK");
  EXPECT_EQ(at("atd5551234"), "NO CARRIER");
  link.drain(50);
  EXPECT_EQ(link.exchange("%Loop%", 200), "");
}

class LineSpeedTest : public SimTest {};

TEST_F(LineSpeedTest, MismatchedRatesGarbleBothWaysUntilTheyAgree) {
  rcvsim::Options o = baseOptions(dir);
  o.rate = 9600;
  startSim(o);
  // The rate search: at a wrong speed nothing that looks like a reply comes back.
  for (speed_t wrong : {B115200, B19200}) {
    ASSERT_TRUE(link.setSpeed(wrong));
    link.sendCommand("##\n#OFF#\r\ndm\r\n");
    const std::string got = link.exchange("%rate%dm", 250);
    EXPECT_EQ(got, "");
    for (char c : link.buffer()) EXPECT_GE(static_cast<unsigned char>(c), 0x80) << "garbage only";
    link.buffer().clear();
  }
  ASSERT_TRUE(link.setSpeed(B9600));
  link.drain(50);
  EXPECT_EQ(link.exchange("%9600%dm"), "RE006%9600%");
  EXPECT_EQ(replyText(link.exchange("print,cur/term/rate")), "9600");
  // The switch comes after the reply, which is still readable at the old speed.
  EXPECT_EQ(link.exchange("%%set,cur/term/rate,115200"), "RE002%%");
  EXPECT_EQ(link.exchange("%Loop%", 250), "");
  ASSERT_TRUE(link.setSpeed(B115200));
  link.drain(50);
  EXPECT_EQ(link.exchange("%Loop%"), "RE006%Loop%");
  EXPECT_EQ(replyText(link.exchange("print,/par/cur/term/rate")), "115200");
  EXPECT_EQ(replyText(link.exchange("print,/par/cur/term/rate&def")), "9600");
}

}  // namespace
}  // namespace simtest
