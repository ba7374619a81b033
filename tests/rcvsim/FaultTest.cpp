// Fault switches flipped from the library while a session runs, and the
// executable's command line.
#include <signal.h>
#include <sys/wait.h>

#include <cstdio>

#include "SimFixture.h"
#include "TestPaths.h"

namespace simtest {
namespace {

class FaultTest : public SimTest {
 protected:
  void SetUp() override { startSim(baseOptions(dir)); }
};

TEST_F(FaultTest, MissingRepliesComeBackWhenSwitchedOff) {
  sim->faults().noReplies = true;
  EXPECT_EQ(link.exchange("%1%print,/par/rcvid", 300), "");
  sim->faults().noReplies = false;
  EXPECT_EQ(link.exchange("%2%print,/par/rcvid"), "RE00F%2%SIM0A1B2C3D4");
}

TEST_F(FaultTest, DelayedRepliesStillArrive) {
  sim->faults().replyDelayMs = 400;
  link.sendCommand("%3%dm");
  EXPECT_EQ(link.reply(50), "");
  EXPECT_EQ(link.reply(3000), "RE003%3%");
}

TEST_F(FaultTest, NoiseBetweenFramesLeavesRepliesReadable) {
  sim->faults().noise = 1.0;
  for (int i = 0; i < 5; ++i) {
    link.sendCommand("%" + std::to_string(i) + "%print,/par/rcv/model");
    ASSERT_TRUE(
        link.readUntil([](const std::string& b) { return b.find("NH-RCV-100") != std::string::npos; }, 2000));
    EXPECT_GE(static_cast<unsigned char>(link.buffer()[0]), 0x80) << "noise before the frame";
    EXPECT_EQ(replyText(link.reply(1000)), "NH-RCV-100");
  }
}

TEST_F(FaultTest, CorruptedOrDroppedBytesSpoilTheReplies) {
  sim->faults().drop = 1.0;
  EXPECT_TRUE(link.drain(0).empty());
  link.sendCommand("%Loop%");
  EXPECT_TRUE(link.drain(200).empty());
  sim->faults().drop = 0.0;
  sim->faults().corrupt = 1.0;
  EXPECT_NE(link.exchange("%Loop%", 200), "RE006%Loop%");
  link.drain(100);
  sim->faults().corrupt = 0.0;
  EXPECT_EQ(link.exchange("%Loop%"), "RE006%Loop%");
}

TEST_F(FaultTest, AReceiverThatStopsStreamingStillAnswers) {
  ASSERT_EQ(link.exchange("em,,zrx/RT:0.1,zrx/PG:0.1").substr(0, 2), "RE");
  Frame f;
  ASSERT_TRUE(link.nextFrame(f, 2000));
  sim->faults().stopStreaming = true;
  link.drain(150);
  EXPECT_TRUE(link.drain(250).empty());
  EXPECT_EQ(link.exchange("%Loop%"), "RE006%Loop%");
  sim->faults().stopStreaming = false;
  EXPECT_TRUE(link.nextFrame(f, 2000));
}

TEST_F(FaultTest, MalformedCommandsGetErrorsAndTheReceiverCarriesOn) {
  const char* odd[] = {"get,/log/x:{",
                       "get,/log/x:{300,0},0",
                       "get,/log/x:{300,512},-5",
                       "put,/log/:{10,512},0",
                       "put,/log/a/b:{10,512},0",
                       "em,,{",
                       "em,,rtcm{",
                       "em,,zrx/PG:{",
                       "em,,zrx/PG:{,,,}",
                       "em,/x/y,PG",
                       "set,",
                       "set,/par/pos/elm",
                       "print,&",
                       "print,",
                       "print,/log/&",
                       "print,/par/out:on",
                       "fld,",
                       "fld,SIM0A1B2C3D4",
                       "remove,",
                       "remove,/log/../x",
                       "create,\"\"",
                       "create,\"/log/\"",
                       "init,",
                       "list,",
                       "dm,nowhere",
                       "%unclosed",
                       "%%",
                       "event,",
                       "em,,/msg/rtk/zrx/none:1"};
  for (const char* c : odd) {
    const std::string r = link.exchange(c);
    EXPECT_TRUE(r.substr(0, 2) == "RE" || r.substr(0, 2) == "ER") << c << " -> " << r;
  }
  // Random text in long lines: no crash, no stall, and the next command is answered.
  std::string noise = patterned(20000, 5);
  for (char& ch : noise) ch = static_cast<char>(0x20 + (static_cast<unsigned char>(ch) % 0x5F));
  for (std::size_t i = 97; i < noise.size(); i += 211) noise[i] = '\n';
  link.send(noise + "\n");
  link.drain(200);
  EXPECT_EQ(link.exchange("%Loop%", 3000), "RE006%Loop%");
}

// The executable: options documented, "pty <path>" first, ends with stdin.
TEST(RcvsimProgram, HelpDocumentsEveryOption) {
  const std::string exe = TestPaths::binDir() + "/rcvsim";
  FILE* p = popen((exe + " --help").c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string help;
  char buf[4096];
  while (std::size_t n = fread(buf, 1, sizeof buf, p)) help.append(buf, n);
  EXPECT_EQ(pclose(p), 0);
  for (const char* opt :
       {"--pty",           "--tcp",          "--password",       "--wifi",           "--modem",
        "--modem-pin",     "--modem-refuse", "--modem-dial-ms",  "--rate",           "--pace",
        "--model",         "--firmware",     "--rcvid",          "--site",           "--start",
        "--seed",          "--reboot-ms",    "--max-reply",      "--disk-size",      "--files",
        "--noise",         "--corrupt",      "--drop",           "--reply-delay-ms", "--no-replies",
        "--bad-crc-block", "--cut-after",    "--stop-streaming", "--trace",          "--help"})
    EXPECT_NE(help.find(std::string("  ") + opt + " "), std::string::npos) << opt;
  // Every documented option is accepted.
  rcvsim::Options o;
  bool wantsHelp = false;
  std::string error;
  EXPECT_TRUE(rcvsim::parseOptions({"--pty", "--modem", "--modem-pin", "1", "--seed", "5", "--noise", "0.5",
                                    "--site", "1,2,3", "--start", "2026-01-02T03:04:05", "--cut-after", "10"},
                                   o, wantsHelp, error))
      << error;
  rcvsim::Options a, b, c;
  EXPECT_FALSE(rcvsim::parseOptions({"--pty", "--noise", "2"}, a, wantsHelp, error));
  EXPECT_FALSE(rcvsim::parseOptions({"--bogus"}, b, wantsHelp, error));
  EXPECT_FALSE(rcvsim::parseOptions({"--tcp", "127.0.0.1:0", "--modem"}, c, wantsHelp, error))
      << "a modem needs the pty";
}

TEST(RcvsimProgram, PrintsThePtyFirstAndEndsWithStdin) {
  TempDir dir;
  int in[2], out[2];
  ASSERT_EQ(pipe(in), 0);
  ASSERT_EQ(pipe(out), 0);
  const std::string exe = TestPaths::binDir() + "/rcvsim";
  const std::string trace = dir.str() + "/trace.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    ::close(in[1]);
    ::close(out[0]);
    execl(exe.c_str(), exe.c_str(), "--pty", "--files", dir.str().c_str(), "--trace", trace.c_str(), nullptr);
    _exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  std::string first;
  char c;
  pollfd pfd{out[0], POLLIN, 0};
  while (first.find('\n') == std::string::npos && ::poll(&pfd, 1, 3000) > 0 && ::read(out[0], &c, 1) == 1)
    first += c;
  ASSERT_EQ(first.substr(0, 4), "pty ");
  {
    Link l;
    ASSERT_TRUE(l.openPty(first.substr(4, first.size() - 5)));
    EXPECT_EQ(l.exchange("%Loop%"), "RE006%Loop%");
  }
  ::close(in[1]);  // end of stdin: the simulator stops
  int status = 0;
  pid_t done = 0;
  for (int i = 0; i < 60 && done == 0; ++i) {
    done = waitpid(pid, &status, WNOHANG);
    if (done == 0) ::poll(nullptr, 0, 50);
  }
  if (done == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  ::close(out[0]);
  EXPECT_EQ(done, pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const std::string t = readFile(trace);
  EXPECT_NE(t.find("> %Loop%@"), std::string::npos) << t;
  EXPECT_NE(t.find("< RE006%Loop%"), std::string::npos) << t;
}

}  // namespace
}  // namespace simtest
