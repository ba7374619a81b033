// stelvan-log reaching its receiver through a GSM modem (the simulator's modem front on a
// pseudo-terminal, its SIM locked): the PIN before the dial, the stream logged, a lost line
// dialled again, the call hung up when the run ends; a wrong PIN stops the start with the
// modem's own answer, and a stop while the modem dials ends the run at once.
#include <gtest/gtest.h>

#include "LogTestSupport.h"
#include "TempDir.h"
#include "TestPaths.h"

namespace fs = std::filesystem;
using namespace logtest;

namespace {

constexpr const char* kNumber = "0041791234567";

struct ModemStation {
  ModemStation() { fs::create_directory(logs); }
  std::unique_ptr<Sim> modem(const std::string& name, const std::string& seed) const {
    return std::make_unique<Sim>(bin, dir.path(), name,
                                 std::vector<std::string>{"--seed", seed, "--modem", "--modem-pin", "1234"});
  }
  std::vector<std::string> logger(const std::string& receiver, std::vector<std::string> args) const {
    args.insert(args.begin(), {bin + "/stelvan-log", "--receiver", receiver, "--dir", logs.string()});
    return args;
  }
  TempDir dir;
  ScopedConfigHome config;
  fs::path logs = dir.path() / "logs";
  std::string bin = TestPaths::binDir();
};

// What the logger sent to the modem and through it, as the trace escapes it, in one piece.
std::string sentToSim(const fs::path& trace) {
  std::string all = receivedText(trace);
  all.erase(std::remove(all.begin(), all.end(), '\n'), all.end());
  return all;
}

// True when `text` holds the pieces one after the other.
bool inOrder(const std::string& text, std::initializer_list<std::string> pieces) {
  std::size_t at = 0;
  for (const std::string& p : pieces) {
    at = text.find(p, at);
    if (at == std::string::npos) return false;
    at += p.size();
  }
  return true;
}

TEST(StelvanLogModem, DialsWithThePinRedialsALostLineAndHangsUpAtTheEnd) {
  ModemStation s;
  const fs::path device = s.dir.path() / "modem";  // as /dev/serial/by-id/... would be
  auto sim = s.modem("sim1", "11");
  ASSERT_FALSE(sim->pty.empty());
  fs::create_symlink(sim->pty, device);
  const std::string receiver = "GSM" + device.string() + ":" + kNumber + ":1234";
  Child run(s.logger(receiver, {"--period", "3600", "--naming", "2", "--messages", "RT:0.2,RD:0.2,PG:0.2,EE:0.2",
                                "--seconds", "60"}),
            s.dir.path() / "out", s.dir.path() / "err");
  ASSERT_TRUE(waitForSize(s.logs / "~Site_1.tmp", 500)) << readAll(s.dir.path() / "err");
  // The SIM is asked first and gets its PIN before the dial; the receiver's commands follow.
  EXPECT_TRUE(inOrder(sentToSim(sim->trace),
                      {"at+cpin?\\r", "at+cpin=\"1234\"\\r", std::string("atd") + kNumber + "\\r", "em,,"}))
      << sentToSim(sim->trace);

  // The modem goes away with the line; another one answers on the same device later.
  kill(sim->child->pid, SIGSTOP);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  sim->child->kill9();
  fs::remove(device);
  EXPECT_NE(waitForLine(s.dir.path() / "err", "stelvan-log: ").find("line lost"), std::string::npos);
  ASSERT_TRUE(waitForSize(s.logs / "Site_1.zrx", 1));
  const fs::path trace1 = sim->trace;
  sim = s.modem("sim2", "12");
  ASSERT_FALSE(sim->pty.empty());
  fs::create_symlink(sim->pty, device);
  ASSERT_TRUE(waitForSize(s.logs / "~Site_2.tmp", 500, 30000)) << readAll(s.dir.path() / "err");
  EXPECT_TRUE(inOrder(sentToSim(sim->trace), {"at+cpin=\"1234\"\\r", std::string("atd") + kNumber + "\\r", "em,,"}));
  kill(run.pid, SIGTERM);
  ASSERT_EQ(run.wait(20000), 0) << readAll(s.dir.path() / "err");

  // The escape between guard times and "ath", both confirmed by the modem.
  const std::string t = readAll(sim->trace);
  const std::size_t escape = t.find(" > +++");
  ASSERT_NE(escape, std::string::npos) << t.substr(t.size() > 2000 ? t.size() - 2000 : 0);
  const std::size_t ath = t.find(" > ath\\r", escape);
  ASSERT_NE(ath, std::string::npos);
  EXPECT_LT(t.find(" < \\r\\nOK\\r\\n", escape), ath);
  EXPECT_NE(t.find(" < \\r\\nOK\\r\\n", ath), std::string::npos);

  // Nothing the receiver sent is missing, and nothing the modem said is in the files.
  const std::string first = readAll(s.logs / "Site_1.zrx"), sent1 = sentFromFirstEpoch(trace1);
  EXPECT_TRUE(sent1.compare(0, first.size(), first) == 0) << "the first file is not what was sent";
  EXPECT_LT(sent1.size() - first.size(), 600u) << "more than the simulator's last frame is missing";
  const std::string second = readAll(s.logs / "Site_2.zrx"), sent2 = sentFromFirstEpoch(sim->trace);
  ASSERT_GE(sent2.size(), second.size());
  EXPECT_TRUE(sent2.compare(0, second.size(), second) == 0) << "the second file is not what was sent";
  EXPECT_EQ(sent2.substr(second.size()), "\r\nOK\r\n\r\nOK\r\n");
  const std::string err = readAll(s.dir.path() / "err");
  EXPECT_NE(err.find("line restored after a gap of "), std::string::npos) << err;
}

TEST(StelvanLogModem, AWrongPinStopsTheStartWithTheModemsAnswerAndNothingIsDialled) {
  ModemStation s;
  auto sim = s.modem("sim", "13");
  ASSERT_FALSE(sim->pty.empty());
  Child run(s.logger("GSM" + sim->pty + ":" + kNumber + ":9999", {"--period", "60", "--messages", "def:1"}),
            s.dir.path() / "out", s.dir.path() / "err");
  EXPECT_EQ(run.wait(30000), 1);
  const std::string err = readAll(s.dir.path() / "err");
  EXPECT_NE(err.find("the SIM refused the PIN"), std::string::npos) << err;
  EXPECT_NE(err.find("+CME ERROR: incorrect password"), std::string::npos) << err;
  EXPECT_EQ(sentToSim(sim->trace).find("atd"), std::string::npos);
  EXPECT_TRUE(filesIn(s.logs).empty());
}

TEST(StelvanLogModem, AStopWhileTheModemDialsEndsAtOnce) {
  ModemStation s;
  Sim sim(s.bin, s.dir.path(), "sim", {"--seed", "14", "--modem", "--modem-dial-ms", "600000"});
  ASSERT_FALSE(sim.pty.empty());
  Child run(s.logger("GSM" + sim.pty + ":" + kNumber + ":0", {"--period", "60", "--messages", "def:1"}),
            s.dir.path() / "out", s.dir.path() / "err");
  for (int waited = 0; waited < 15000 && sentToSim(sim.trace).find("atd") == std::string::npos; waited += 20)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_NE(sentToSim(sim.trace).find("atd"), std::string::npos) << readAll(s.dir.path() / "err");
  kill(run.pid, SIGTERM);  // the call would take the dial's whole minute
  EXPECT_EQ(run.wait(8000), 0) << readAll(s.dir.path() / "err");
  EXPECT_TRUE(filesIn(s.logs).empty());
}

}  // namespace
