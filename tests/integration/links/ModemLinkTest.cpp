// The modem link against the simulator's AT-command modem on a pseudo-terminal: line speed,
// SIM unlocking before the dial, and the hang-up when the link is closed.
#include "SerialLinkFixture.h"
#include "links/CModemConnection.h"

namespace linktest {
namespace {

class ModemLinkTest : public SerialLinkTest {
 protected:
  rcvsim::Options modemOptions(const std::string& pin = "", const std::string& refuse = "",
                               int rate = CModemConnection::kModemRate) {
    rcvsim::Options o = options(rate);
    o.modem = true;
    o.modemPin = pin;
    o.modemRefuse = refuse;
    return o;
  }
  void dial(const std::string& pin, const std::string& rate = "") {
    modem =
        std::make_unique<CModemConnection>(owner, "GSM" + sim->ptyPath() + ":0041791234567:" + pin + rate);
  }
  // The modem's part of the trace: what the client sent before the receiver had the line.
  std::string sentToModem() {
    std::string all, line;
    std::istringstream in(trace());
    while (std::getline(in, line)) {
      const auto mark = line.find(" > ");
      if (mark != std::string::npos) all += line.substr(mark + 3);
    }
    return all;
  }
  void TearDown() override {
    modem.reset();
    SerialLinkTest::TearDown();
  }
  std::unique_ptr<CModemConnection> modem;
};

TEST_F(ModemLinkTest, DialsWithoutPinAndHandsTheLineToTheReceiver) {
  startSim(modemOptions());
  dial("0");
  ASSERT_EQ(modem->StatusText(), "");
  std::string reply;
  EXPECT_TRUE(modem->SendCommand("%2%print,/par/rcvid", reply, 5000)) << reply;
  EXPECT_EQ(reply, "RE00F%2%SIM0A1B2C3D4");
  // Each command ends in a carriage return only; an unlocked SIM gets no PIN command.
  EXPECT_EQ(sentToModem().rfind("ate0\\ratv1\\rat+cpin?\\ratd0041791234567\\r%2%print", 0), 0u)
      << sentToModem();
}

TEST_F(ModemLinkTest, LockedSimIsUnlockedBeforeTheDial) {
  startSim(modemOptions("1234"));
  dial("1234");
  ASSERT_EQ(modem->StatusText(), "");
  EXPECT_NE(sentToModem().find("at+cpin?\\rat+cpin=\"1234\"\\ratd0041791234567\\r"), std::string::npos)
      << sentToModem();
  std::string reply;
  EXPECT_TRUE(modem->SendCommand("print,/par/rcvid", reply, 5000)) << reply;
}

TEST_F(ModemLinkTest, RefusedDialReportsWhatTheModemSaid) {
  startSim(modemOptions("", "NO CARRIER"));
  dial("0");
  const std::string status = modem->StatusText();
  EXPECT_EQ(status.rfind("ER:error login! - ", 0), 0u) << status;
  EXPECT_NE(status.find("\r\nNO CARRIER\r\n"), std::string::npos) << status;
  EXPECT_EQ(status.find("CONNECT"), std::string::npos) << status;
}

TEST_F(ModemLinkTest, WrongPinAndShortStringsFailClearly) {
  startSim(modemOptions("1234"));
  dial("9999");
  EXPECT_NE(modem->StatusText().find("ER:error login! - "), std::string::npos);
  EXPECT_NE(modem->StatusText().find("ERROR"), std::string::npos) << modem->StatusText();

  CModemConnection shortString(owner, "GSM" + sim->ptyPath() + ":0041791234567");
  EXPECT_EQ(shortString.StatusText().rfind("ER:Modem string needs", 0), 0u) << shortString.StatusText();
  CModemConnection noPort(owner, "GSM/dev/nonexistent-modem:1:0");
  EXPECT_EQ(noPort.StatusText(), "COM No such file or directory");
}

TEST_F(ModemLinkTest, LockedSimWithoutPinIsReportedAndNotDialled) {
  startSim(modemOptions("1234"));
  dial("0");
  EXPECT_EQ(modem->StatusText().rfind("ER:error login! - ", 0), 0u) << modem->StatusText();
  EXPECT_NE(modem->StatusText().find("+CPIN: SIM PIN"), std::string::npos) << modem->StatusText();
  EXPECT_EQ(sentToModem().find("atd"), std::string::npos) << sentToModem();
}

TEST_F(ModemLinkTest, LineSpeedComesFromTheStringOrIsSearched) {
  startSim(modemOptions("", "", 19200));
  dial("0", ":19200");
  ASSERT_EQ(modem->StatusText(), "");
  EXPECT_EQ(modem->LineRate(), 19200u);
  modem.reset();
  // Named wrongly (or not at all: 115200), the modem is found at its own speed.
  dial("0");
  ASSERT_EQ(modem->StatusText(), "");
  EXPECT_EQ(modem->LineRate(), 19200u);
  std::string reply;
  EXPECT_TRUE(modem->SendCommand("print,/par/rcvid", reply, 5000)) << reply;

  CModemConnection oddRate(owner, "GSM" + sim->ptyPath() + ":1:0:14400");
  EXPECT_EQ(oddRate.StatusText(), "Error baud!!");
}

TEST_F(ModemLinkTest, ClosingHangsUpSoTheModemDialsAgain) {
  startSim(modemOptions());
  dial("0");
  ASSERT_EQ(modem->StatusText(), "");
  modem.reset();
  // The escape between guard times, then "ath"; the modem confirmed both.
  const std::string sent = sentToModem();
  EXPECT_NE(sent.find("+++ath\\r"), std::string::npos) << sent;
  const std::string t = trace();
  const std::size_t escape = t.find("> +++");
  const std::string ok = "< \\r\\nOK\\r\\n";
  ASSERT_NE(escape, std::string::npos) << t;
  const std::size_t escapeOk = t.find(ok, escape), ath = t.find("> ath\\r", escape);
  ASSERT_NE(ath, std::string::npos) << t;
  EXPECT_LT(escapeOk, ath) << t;
  EXPECT_NE(t.find(ok, ath), std::string::npos) << t;
  // Still on the call, the next dialogue would have gone to the receiver.
  dial("0");
  ASSERT_EQ(modem->StatusText(), "");
  std::string reply;
  EXPECT_TRUE(modem->SendCommand("print,/par/rcvid", reply, 5000)) << reply;
}

}  // namespace
}  // namespace linktest
