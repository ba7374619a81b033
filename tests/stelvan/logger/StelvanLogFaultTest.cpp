// stelvan-log as a base station runs it for months: set-up faults exit non-zero, a
// configuration file, several NMEA messages enabled in one command and a refusal that
// stops the start, a line cut and restored on the same device link, and runs killed with
// SIGKILL whose files are complete, finished by the next run and never overwritten.
#include <gtest/gtest.h>

#include "LogTestSupport.h"
#include "TempDir.h"
#include "TestPaths.h"

namespace fs = std::filesystem;
using namespace logtest;

namespace {

struct Station {
  Station() { fs::create_directory(logs); }
  TempDir dir;
  ScopedConfigHome config;
  fs::path logs = dir.path() / "logs";
  std::string bin = TestPaths::binDir();
  std::vector<std::string> logger(std::vector<std::string> args) const {
    args.insert(args.begin(), bin + "/stelvan-log");
    return args;
  }
};

TEST(StelvanLogFaults, SetUpFaultsExitNonZeroWithTheReasonOnStandardError) {
  Station s;
  struct Case {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{"--port", "/dev/null", "--dir", (s.dir.path() / "missing").string(), "--period", "60", "--messages",
        "def:1"},
       "does not exist"},
      {{"--port", "/dev/null", "--dir", s.logs.string(), "--period", "60", "--messages", "NOPE:abc"},
       "bad period"},
      {{"--port", "/dev/null", "--dir", s.logs.string(), "--period", "60", "--messages", "gps/GGA:1"},
       "unknown message format"},
      {{"--receiver", "GSM/dev/ttyUSB1:123", "--dir", s.logs.string(), "--period", "60", "--messages",
        "def:1"},
       "needs GSM + port + :number:PIN"},
      {{"--receiver", "GSM/dev/ttyUSB1:123:0:14400", "--dir", s.logs.string(), "--period", "60", "--messages",
        "def:1"},
       "bad modem line speed"},
      {{"--receiver", "USB:ttyUSB0", "--dir", s.logs.string(), "--period", "60", "--messages", "def:1"},
       "bad USB receiver"},
      {{"--config", (s.dir.path() / "none.conf").string()}, "cannot read"},
  };
  for (const Case& c : cases) {
    Child run(s.logger(c.args), s.dir.path() / "out", s.dir.path() / "err");
    EXPECT_EQ(run.wait(10000), 2) << c.says;
    EXPECT_NE(readAll(s.dir.path() / "err").find(c.says), std::string::npos) << readAll(s.dir.path() / "err");
    EXPECT_EQ(readAll(s.dir.path() / "out"), "");
  }
  std::ofstream(s.dir.path() / "bad.conf") << "dir = " << s.logs.string() << "\nspeed = 9600\n";
  Child bad(s.logger({"--config", (s.dir.path() / "bad.conf").string()}), s.dir.path() / "out",
            s.dir.path() / "err");
  EXPECT_EQ(bad.wait(10000), 2);
  EXPECT_NE(readAll(s.dir.path() / "err").find("bad.conf:2: unknown option speed"), std::string::npos);
}

TEST(StelvanLogFaults, SeveralNmeaMessagesFromAConfigFileAndARefusalThatStopsTheStart) {
  Station s;
  Sim sim(s.bin, s.dir.path(), "sim", {"--seed", "2"});
  ASSERT_FALSE(sim.pty.empty());
  const fs::path conf = s.dir.path() / "base.conf";
  std::ofstream(conf) << "# a base station\nreceiver = COM" << sim.pty
                      << ":115200:1\ndir = " << s.logs.string()
                      << "\nperiod = 3600\nmessages = nmea/GGA:0.50, nmea/RMC:0.50\nnaming = 2\n"
                      << "suffix = .nmea\nseconds = 3\n";
  Child run(s.logger({"--config", conf.string()}), s.dir.path() / "out", s.dir.path() / "err");
  ASSERT_EQ(run.wait(30000), 0) << readAll(s.dir.path() / "err");
  EXPECT_NE(receivedText(sim.trace).find("em,,nmea/GGA:0.50,nmea/RMC:0.50"), std::string::npos);
  const std::string nmea = readAll(s.logs / "Site_1.nmea");
  EXPECT_NE(nmea.find("GGA,"), std::string::npos);
  EXPECT_NE(nmea.find("RMC,"), std::string::npos);
  EXPECT_EQ(nmea.find("%LG"), std::string::npos);  // no answer to our own commands

  // A message the receiver does not know: its own text on standard error, no file.
  Child refused(
      s.logger({"--config", conf.string(), "--messages", "nmea/GGA:1.00,zrx/NOPE:1.00", "--suffix", ".x"}),
      s.dir.path() / "out2", s.dir.path() / "err2");
  EXPECT_EQ(refused.wait(30000), 1);
  EXPECT_NE(readAll(s.dir.path() / "err2").find("Unknown message zrx/NOPE"), std::string::npos)
      << readAll(s.dir.path() / "err2");
  EXPECT_EQ(filesIn(s.logs).size(), 1u);
}

TEST(StelvanLogFaults, AStopWhileTheLineSpeedIsSearchedEndsAtOnce) {
  Station s;
  Sim sim(s.bin, s.dir.path(), "sim", {"--seed", "5"});
  ASSERT_FALSE(sim.pty.empty());
  kill(sim.child->pid, SIGSTOP);  // nothing answers: the search would take most of a minute
  Child run(s.logger({"--port", sim.pty, "--dir", s.logs.string(), "--period", "60", "--messages", "def:1"}),
            s.dir.path() / "out", s.dir.path() / "err");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  kill(run.pid, SIGTERM);
  EXPECT_EQ(run.wait(8000), 0) << readAll(s.dir.path() / "err");
  kill(sim.child->pid, SIGCONT);
  EXPECT_TRUE(filesIn(s.logs).empty());
}

TEST(StelvanLogFaults, ALineCutAndRestoredOnTheSameDeviceLinkLosesNothing) {
  Station s;
  const fs::path link = s.dir.path() / "receiver";  // as /dev/serial/by-id/... would be
  auto sim = std::make_unique<Sim>(s.bin, s.dir.path(), "sim1", std::vector<std::string>{"--seed", "3"});
  ASSERT_FALSE(sim->pty.empty());
  fs::create_symlink(sim->pty, link);
  Child run(s.logger({"--port", link.string(), "--dir", s.logs.string(), "--period", "3600", "--naming", "2",
                      "--messages", "RT:0.2,RD:0.2,PG:0.2,EE:0.2", "--seconds", "60"}),
            s.dir.path() / "out", s.dir.path() / "err");
  ASSERT_TRUE(waitForSize(s.logs / "~Site_1.tmp", 500)) << readAll(s.dir.path() / "err");
  // The receiver goes quiet, then away: everything it sent has been read by then.
  kill(sim->child->pid, SIGSTOP);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  sim->child->kill9();
  fs::remove(link);
  const std::string lost = waitForLine(s.dir.path() / "err", "stelvan-log: ");
  EXPECT_NE(lost.find("line lost"), std::string::npos) << lost;
  ASSERT_TRUE(waitForSize(s.logs / "Site_1.zrx", 1));  // finished at once, not at the end
  const fs::path trace1 = sim->trace;
  sim = std::make_unique<Sim>(s.bin, s.dir.path(), "sim2", std::vector<std::string>{"--seed", "4"});
  ASSERT_FALSE(sim->pty.empty());
  fs::create_symlink(sim->pty, link);
  ASSERT_TRUE(waitForSize(s.logs / "~Site_2.tmp", 500, 30000)) << readAll(s.dir.path() / "err");
  kill(run.pid, SIGTERM);
  ASSERT_EQ(run.wait(15000), 0);

  const std::string first = readAll(s.logs / "Site_1.zrx"), sent1 = sentFromFirstEpoch(trace1);
  EXPECT_TRUE(sent1.compare(0, first.size(), first) == 0) << "the first file is not what was sent";
  EXPECT_LT(sent1.size() - first.size(), 600u) << "more than the simulator's last frame is missing";
  EXPECT_TRUE(readAll(s.logs / "Site_2.zrx") == sentFromFirstEpoch(sim->trace)) << "the second file";
  const std::string err = readAll(s.dir.path() / "err");
  EXPECT_NE(err.find("line restored after a gap of "), std::string::npos) << err;
  EXPECT_EQ(err.find('\x1b'), std::string::npos);  // plain lines for a journal
}

TEST(StelvanLogFaults, RunsKilledTwiceLeaveCompleteFilesThatTheNextRunFinishes) {
  Station s;
  Sim sim(s.bin, s.dir.path(), "sim", {"--seed", "6"});
  ASSERT_FALSE(sim.pty.empty());
  const std::vector<std::string> args = {
      "--port", sim.pty,    "--dir", s.logs.string(), "--period",
      "3600",   "--naming", "2",     "--messages",    "RT:0.2,RD:0.2,PG:0.2,EE:0.2"};
  std::string firstRun;
  {
    Child run(s.logger(args), s.dir.path() / "out1", s.dir.path() / "err1");
    ASSERT_TRUE(waitForSize(s.logs / "~Site_1.tmp", 600)) << readAll(s.dir.path() / "err1");
    kill(sim.child->pid, SIGSTOP);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    run.kill9();
    kill(sim.child->pid, SIGCONT);
    // Nothing received was waiting in a buffer of the killed process.
    firstRun = readAll(s.logs / "~Site_1.tmp");
    const std::string sent = sentFromFirstEpoch(sim.trace);
    EXPECT_TRUE(sent.compare(0, firstRun.size(), firstRun) == 0);
    EXPECT_LT(sent.size() - firstRun.size(), 600u);
  }
  {
    Child run(s.logger(args), s.dir.path() / "out2", s.dir.path() / "err2");
    ASSERT_TRUE(waitForSize(s.logs / "~Site_2.tmp", 300)) << readAll(s.dir.path() / "err2");
    run.kill9();
  }
  EXPECT_NE(readAll(s.dir.path() / "out2")
                .find("recovered from an earlier run: " + (s.logs / "Site_1.zrx").string()),
            std::string::npos);
  Child last(s.logger([&] {
    auto a = args;
    a.insert(a.end(), {"--seconds", "2"});
    return a;
  }()),
             s.dir.path() / "out3", s.dir.path() / "err3");
  ASSERT_EQ(last.wait(30000), 0) << readAll(s.dir.path() / "err3");
  EXPECT_TRUE(readAll(s.logs / "Site_1.zrx") == firstRun);
  EXPECT_EQ(readAll(s.logs / "Site_2.zrx").substr(0, 5), "~~005");
  EXPECT_EQ(readAll(s.logs / "Site_3.zrx").substr(0, 5), "~~005");
  EXPECT_EQ(filesIn(s.logs).size(), 3u);
}

}  // namespace
