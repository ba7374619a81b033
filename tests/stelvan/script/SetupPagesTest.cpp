// The configuration pages' tables against the simulator: every path they read is answered,
// every value they offer is accepted, only changed values go out, saved setups replay.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>

#include "CReceiverSender.h"
#include "OutputPeriod.h"
#include "PortOutput.h"
#include "QueryAnswers.h"
#include "ScriptHarness.h"
#include "ScriptText.h"
#include "SetupCompare.h"
#include "SetupPages.h"
#include "SetupScript.h"
#include "ToolRun.h"
#include "integration/session/SessionFixture.h"

namespace {

std::string stored(std::string v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  return ScriptText::lower(v);
}

class SetupPagesTest : public sessiontest::SessionTest {
 protected:
  void SetUp() override {
    rcvsim::Options o = sessiontest::simOptions(files);
    o.tcp = "127.0.0.1:0";  // a network port as well, for the Ports page's TCP clients
    startSim(o);
    openAll();
    sender = std::make_unique<CReceiverSender>(rcv);
  }
  void TearDown() override {
    sender.reset();
    SessionTest::TearDown();
  }
  // Commands the simulator took since the last call.
  std::vector<std::string> newCommands() {
    const std::vector<std::string> all = sim->commandsReceived();
    std::vector<std::string> fresh(all.begin() + static_cast<long>(std::min(seen, all.size())), all.end());
    seen = all.size();
    return fresh;
  }
  std::vector<CPageModel> readAll() {
    std::vector<CPageModel> pages = SetupPages::all();
    for (CPageModel& p : pages) p.read(*sender);
    return pages;
  }
  std::unique_ptr<CReceiverSender> sender;
  std::size_t seen = 0;
};

TEST_F(SetupPagesTest, EveryPathIsAnsweredAndEveryOfferedValueAccepted) {
  for (const CPageModel& page : SetupPages::all()) {
    std::string reply;
    sender->SendCommand(page.readScript(), 0, reply);
    const std::vector<std::string> answers = QueryAnswers::parse(reply);
    std::size_t k = 0;
    for (std::size_t i = 0; i < page.size(); ++i) {
      const ParamSpec& s = page.spec(i);
      if (s.derived) continue;
      ASSERT_LT(k, answers.size()) << page.name();
      EXPECT_FALSE(answers[k++].empty()) << page.name() << " " << s.path;
      if (s.kind == ParamKind::Output) continue;  // presets: see the port output test
      if (s.port == "/dev/ser/a") continue;       // the line this test talks through
      std::vector<std::string> offered;
      for (const ParamChoice& c : s.choices) offered.push_back(c.value);
      if (s.kind == ParamKind::CheckGroup) {
        offered.clear();
        for (const ParamChoice& c : s.choices) {
          std::string v = "{";
          for (std::size_t k = 0; k < s.members.size(); ++k) v += (k ? "," : "") + c.value;
          offered.push_back(v + "}");
        }
      }
      for (const std::string& v : offered)
        EXPECT_TRUE(sender->SendCommand(s.prefix + "set," + s.sendPath() + "," + v, 0, reply))
            << s.sendPath() << "," << v << ": " << reply;
    }
  }
}

TEST_F(SetupPagesTest, OnlyChangedValuesAreSentEachWithItsOwnCommand) {
  std::vector<CPageModel> pages = readAll();
  CPageModel& adv = pages[7];
  const auto band = static_cast<std::size_t>(adv.indexOf("/par/raw/pll/band"));
  const auto code = static_cast<std::size_t>(adv.indexOf("/par/raw/corr/ca/code"));
  const auto frq = static_cast<std::size_t>(adv.indexOf("/par/frq/mode"));
  EXPECT_TRUE(adv.checked(code));  // "mpnew" is this box's set value
  EXPECT_EQ(adv.at(band).value, "15");
  adv.setValue(band, "51");
  newCommands();
  CPageModel::ApplyResult r = adv.apply(*sender);
  EXPECT_EQ(r.error, "Value out of range (2 .. 50) for PLL bandwidth");
  EXPECT_EQ(static_cast<std::size_t>(r.index), band);
  adv.setValue(band, "2x");
  EXPECT_EQ(adv.apply(*sender).error, "Invalid value for PLL bandwidth");
  EXPECT_TRUE(newCommands().empty());

  adv.setValue(band, "20");
  adv.setChecked(code, false);
  adv.setValue(frq, "gen");
  EXPECT_EQ(adv.apply(*sender).error, "");
  EXPECT_EQ(newCommands(), (std::vector<std::string>{"set,/par/raw/corr/ca/code,normal",
                                                     "set,/par/raw/pll/band,20", "set,/par/frq/mode,gen"}));
  EXPECT_FALSE(adv.changed());
  EXPECT_EQ(adv.apply(*sender).error, "");
  EXPECT_TRUE(newCommands().empty());

  CPageModel& pos = pages[2];
  const auto use = static_cast<std::size_t>(pos.indexOf("/par/pos/gps/sat"));
  std::vector<bool> states = pos.groupStates(use);
  states[1] = false;
  pos.setGroup(use, states);
  pos.setChecked(static_cast<std::size_t>(pos.indexOf("/par/pos/sp/iono")), false);
  EXPECT_EQ(pos.apply(*sender).error, "");
  const std::vector<std::string> sent = newCommands();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0], "set,/par/pos/iono,off");
  EXPECT_EQ(sent[1],
            "set,/par/pos/gps/sat,{y,n,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y}");
}

TEST_F(SetupPagesTest, APortWeTalkThroughIsNeverTouchedAndARefusalStopsTheApply) {
  std::vector<CPageModel> pages = readAll();
  CPageModel& ports = pages[5];
  std::string current;
  ASSERT_TRUE(sim->paramValue("/par/dev/ser/a/rate", current));
  const auto ownRate = static_cast<std::size_t>(ports.indexOf("/par/dev/ser/a/rate"));
  const auto otherRate = static_cast<std::size_t>(ports.indexOf("/par/dev/ser/b/rate"));
  EXPECT_FALSE(ports.at(ownRate).enabled);
  ports.setValue(ownRate, "9600");
  ports.setValue(otherRate, "9600");
  ports.setValue(static_cast<std::size_t>(ports.indexOf("/par/net/ip/addr")), "10.0.0.300");
  newCommands();
  EXPECT_EQ(ports.apply(*sender).error, "Invalid IP address");
  EXPECT_EQ(newCommands(), std::vector<std::string>{"set,/par/dev/ser/b/rate,9600"});

  CPageModel& general = pages[0];
  const auto elm = static_cast<std::size_t>(general.indexOf("/par/out/elm/cur/term"));
  general.setValue(elm, "95");  // the receiver's range ends at 90
  const CPageModel::ApplyResult r = general.apply(*sender);
  EXPECT_EQ(r.error, "Can't set elevation mask for terminal");
  EXPECT_TRUE(general.changed(elm));
}

TEST_F(SetupPagesTest, ASavedSetupReplaysOnAFreshReceiverAndComparesExactly) {
  std::vector<CPageModel> pages = readAll();
  pages[0].setValue(static_cast<std::size_t>(pages[0].indexOf("/par/pwr/mode")), "mix");
  pages[1].setValue(static_cast<std::size_t>(pages[1].indexOf("/par/cmd/create/prefix")), "site 7");
  pages[3].setValue(static_cast<std::size_t>(pages[3].indexOf("/par/cmr/base/desc")), "{AB,12,Roof, north}");
  ASSERT_EQ(pages[0].apply(*sender).error, "");
  ASSERT_EQ(pages[1].apply(*sender).error, "");
  ASSERT_EQ(pages[3].apply(*sender).error, "");
  const std::string script = SetupScript::compose(pages, "NH-RCV-100");
  TempDir dir;
  writeFile(dir, "setup.zrc", script);

  rcvsim::Simulator fresh(sessiontest::simOptions(files));
  std::string error;
  ASSERT_TRUE(fresh.start(error)) << error;
  const ToolRun run = runTool("stelvan-script", "--receiver COM" + fresh.ptyPath() + ":115200:1 " +
                                                    (dir.path() / "setup.zrc").string());
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  for (const CPageModel& page : pages)
    for (std::size_t i = 0; i < page.size(); ++i) {
      if (!page.at(i).enabled || page.spec(i).kind == ParamKind::ReadOnly) continue;
      std::string a, b;
      sim->paramValue(page.spec(i).sendPath(), a);
      fresh.paramValue(page.spec(i).sendPath(), b);
      // The receiver takes quotes off and keeps words in small letters when it stores a value.
      EXPECT_EQ(stored(a), stored(b)) << page.spec(i).sendPath();
    }
  fresh.stop();

  // Two changes behind the pages' back; compare finds exactly them and puts them right.
  std::string reply;
  ASSERT_TRUE(sender->SendCommand("set,/par/pos/elm,25", 0, reply));
  ASSERT_TRUE(sender->SendCommand("set,/par/dev/pps/b/edge,fall", 0, reply));
  std::vector<CPageModel> now = readAll();
  const std::vector<SetupDifference> diff = SetupCompare::differences(now, SetupScript::values(script));
  ASSERT_EQ(diff.size(), 2u);
  EXPECT_EQ(diff[0].pageName, "Positioning");
  EXPECT_EQ(diff[0].label, "Elv. mask(d): ");
  EXPECT_EQ(diff[0].receiverValue, "25");
  EXPECT_EQ(diff[1].pageName, "Event");
  EXPECT_EQ(diff[1].scriptValue, "rise");
  newCommands();
  SetupCompare::take(now, {diff[1]});
  for (CPageModel& p : now) ASSERT_EQ(p.apply(*sender).error, "");
  EXPECT_EQ(newCommands(), std::vector<std::string>{"set,/par/dev/pps/b/edge,rise"});
}

TEST_F(SetupPagesTest, PortOutputsAreRecognisedAndSwitchedByPreset) {
  std::string reply;
  ASSERT_TRUE(sender->SendCommand("em,/dev/ser/b,rtcm{/1:2,/31:2,/3:10}", 0, reply)) << reply;
  ASSERT_TRUE(sender->SendCommand("em,/dev/ser/c,nmea/GGA:1", 0, reply)) << reply;
  CPageModel ports = SetupPages::ports();
  ports.read(*sender);
  const auto own = static_cast<std::size_t>(ports.indexOf("/par/out/dev/ser/a:on"));
  const auto b = static_cast<std::size_t>(ports.indexOf("/par/out/dev/ser/b:on"));
  const auto c = static_cast<std::size_t>(ports.indexOf("/par/out/dev/ser/c:on"));
  const auto d = static_cast<std::size_t>(ports.indexOf("/par/out/dev/ser/d:on"));
  EXPECT_FALSE(ports.at(own).enabled);
  EXPECT_EQ(ports.outputPreset(b), "DGPS RTCM {1,31,3}");
  EXPECT_EQ(ports.outputPeriod(b), "2.00");
  EXPECT_EQ(ports.outputPreset(c), "User Defined");
  EXPECT_EQ(ports.outputPreset(d), "None");

  // A bad period and one the receiver's intervals do not divide send nothing that changes.
  ports.setOutput(b, "RTK RTCM3 GGD min", "x");
  newCommands();
  EXPECT_EQ(ports.apply(*sender).error, "Invalid messages output period for /dev/ser/b");
  ports.setOutput(b, "RTK RTCM3 GGD min", "0.15");
  const CPageModel::ApplyResult warned = ports.apply(*sender);
  EXPECT_TRUE(warned.periodWarning);
  for (const std::string& sent : newCommands()) EXPECT_TRUE(sent.starts_with("print,")) << sent;

  // "User Defined" leaves its port alone; a preset stops the port's output and starts its own.
  ports.setOutput(c, "User Defined", "5");
  ports.setOutput(b, "RTK RTCM3 GGD min", "0.5");
  ports.setOutput(d, "RTK ZRX min", "1");
  ASSERT_EQ(ports.apply(*sender).error, "");
  std::vector<std::string> sent;
  for (const std::string& cmd : newCommands())
    if (!cmd.starts_with("print,")) sent.push_back(cmd);
  EXPECT_EQ(sent, (std::vector<std::string>{"dm,/dev/ser/b",
                                            "em,/dev/ser/b,rtcm3{/1003:0.5,/1011:0.5,/1006:10,/1008:10}",
                                            "dm,/dev/ser/d", "em,/dev/ser/d,/msg/rtk/zrx/min:1"}));
  std::string script;
  ports.writeScript(script);
  EXPECT_EQ(script.find(":on%"), std::string::npos);  // outputs are no parameters of a setup

  // Every preset, once sent, is read back as itself.
  for (const PortOutput::Preset& p : PortOutput::presets()) {
    if (p.shown == PortOutput::kUserDefined) continue;
    ports.setOutput(b, p.shown, "1");
    ASSERT_EQ(ports.apply(*sender).error, "") << p.shown;
    ports.read(*sender);
    EXPECT_EQ(ports.outputPreset(b), p.shown);
  }
}

TEST_F(SetupPagesTest, NetworkClientsWifiKeysAndTheModemPin) {
  // A client on the receiver's network port shows as that port's "IP:".
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(sim->tcpPort()));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  sockaddr_in local{};
  socklen_t len = sizeof local;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len);
  std::string reply;
  for (int i = 0; i < 200 && reply.find("port=") == std::string::npos; ++i)  // until accepted
    sender->SendCommand("print,net:on", 0, reply);
  ASSERT_TRUE(sender->SendCommand("set,/par/modem/c/pin,\"\"", 0, reply)) << reply;

  CPageModel ports = SetupPages::ports();
  ports.read(*sender);
  const auto ip = static_cast<std::size_t>(ports.indexOf("/dev/tcp/a/ip"));
  EXPECT_EQ(ports.at(ip).value, "127.0.0.1:" + std::to_string(ntohs(local.sin_port)));
  EXPECT_FALSE(ports.at(static_cast<std::size_t>(ports.indexOf("/dev/tcp/b/ip"))).enabled);
  EXPECT_EQ(ports.at(static_cast<std::size_t>(ports.indexOf("/par/modem/c/pin"))).value,
            SetupPages::kDefaultPin);

  // The port that serves a client goes back to commands before it takes another input mode.
  ports.setValue(static_cast<std::size_t>(ports.indexOf("/par/dev/tcp/a/imode")), "rtcm3");
  ports.setValue(static_cast<std::size_t>(ports.indexOf("/par/dev/tcp/b/imode")), "rtcm");
  newCommands();
  ASSERT_EQ(ports.apply(*sender).error, "");
  EXPECT_EQ(newCommands(),
            (std::vector<std::string>{"set,/par/dev/tcp/a/imode,cmd", "set,/par/dev/tcp/a/imode,rtcm3",
                                      "set,/par/dev/tcp/b/imode,rtcm"}));
  ::close(fd);

  // Keys show as the mask; without a new first key none goes out, with one the typed ones do.
  const auto key1 = static_cast<std::size_t>(ports.indexOf("/par/net/wlan/ap/key1"));
  const auto key2 = static_cast<std::size_t>(ports.indexOf("/par/net/wlan/ap/key2"));
  EXPECT_EQ(ports.at(key1).value, SetupPages::kWifiKeyMask);
  ports.setValue(key2, "second");
  EXPECT_FALSE(ports.changed());
  ports.setValue(key1, "first key");
  ASSERT_EQ(ports.apply(*sender).error, "");
  EXPECT_EQ(newCommands(), (std::vector<std::string>{"set,/par/net/wlan/ap/key1,\"first key\"",
                                                     "set,/par/net/wlan/ap/key2,\"second\""}));
  std::string script;
  ports.writeScript(script);
  EXPECT_EQ(script.find(SetupPages::kWifiKeyMask), std::string::npos);
}

TEST_F(SetupPagesTest, RoverSourcesAreThePortsThatTakeCorrections) {
  std::string reply;
  ASSERT_TRUE(sender->SendCommand("set,/par/dev/ser/c/imode,rtcm3", 0, reply)) << reply;
  ASSERT_TRUE(sender->SendCommand("set,/par/dev/tcp/b/imode,cmr", 0, reply)) << reply;
  CPageModel rover = SetupPages::rover();
  rover.read(*sender);
  for (const char* source : {"/par/pos/pd/port", "/par/pos/cd/port"}) {
    const auto i = static_cast<std::size_t>(rover.indexOf(source));
    std::vector<std::string> offered;
    for (const ParamChoice& c : rover.spec(i).choices) offered.push_back(c.value);
    EXPECT_EQ(offered, (std::vector<std::string>{"/dev/ser/b", "/dev/ser/c", "/dev/tcp/b"})) << source;
  }
  // A source whose port no longer takes corrections is still shown as the receiver has it.
  ASSERT_TRUE(sender->SendCommand("set,/par/dev/ser/b/imode,cmd", 0, reply)) << reply;
  rover.read(*sender);
  const auto rtk = static_cast<std::size_t>(rover.indexOf("/par/pos/pd/port"));
  EXPECT_EQ(rover.spec(rtk).choices.size(), 2u);
  EXPECT_EQ(rover.at(rtk).value, "/dev/ser/b");
  EXPECT_EQ(rover.choiceIndex(rtk), -1);
}

TEST(OutputPeriodTest, WholeMultiplesOfEveryCurrentInterval) {
  EXPECT_TRUE(OutputPeriod::fits("0.5", "100", std::string("100")));
  EXPECT_FALSE(OutputPeriod::fits("0.5", "100", std::string("200")));
  EXPECT_TRUE(OutputPeriod::fits("0.4", "200", std::nullopt));
  EXPECT_FALSE(OutputPeriod::fits("0.4996", "1", std::nullopt));
  EXPECT_FALSE(OutputPeriod::fits("0.05", "100", std::nullopt));
  EXPECT_FALSE(OutputPeriod::fits("1", "", std::nullopt));
  EXPECT_FALSE(OutputPeriod::fits("x", "100", std::nullopt));
}

}  // namespace
