// gridctl as a user runs it: against the rcvsim executable on a pseudo-terminal.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "TempDir.h"
#include "TestPaths.h"

namespace {

// rcvsim --pty as a child; it ends when its stdin closes (and is killed if it does not).
class SimProcess {
 public:
  SimProcess() {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    m_Pid = fork();
    if (m_Pid == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      const std::string exe = TestPaths::binDir() + "/rcvsim";
      execl(exe.c_str(), exe.c_str(), "--pty", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_Stdin = in[1];
    m_Stdout = out[0];
    // First line: "pty <path>".
    std::string line;
    char c;
    pollfd p{m_Stdout, POLLIN, 0};
    while (line.size() < 256 && poll(&p, 1, 5000) == 1 && read(m_Stdout, &c, 1) == 1 && c != '\n') line += c;
    if (line.rfind("pty ", 0) == 0) m_Pty = line.substr(4);
  }
  ~SimProcess() {
    if (m_Stdin >= 0) close(m_Stdin);
    if (m_Pid > 0) {
      for (int i = 0; i < 50; ++i) {
        if (waitpid(m_Pid, nullptr, WNOHANG) == m_Pid) {
          closeOut();
          return;
        }
        usleep(20000);
      }
      kill(m_Pid, SIGKILL);
      waitpid(m_Pid, nullptr, 0);
    }
    closeOut();
  }
  const std::string& pty() const { return m_Pty; }

 private:
  void closeOut() {
    if (m_Stdout >= 0) close(m_Stdout);
    m_Stdout = -1;
  }
  pid_t m_Pid = -1;
  int m_Stdin = -1, m_Stdout = -1;
  std::string m_Pty;
};

struct Outcome {
  int status = -1;
  std::string out;
};

Outcome gridctl(const std::string& args) {
  Outcome r;
  const std::string cmd = TestPaths::binDir() + "/gridctl " + args + " 2>/dev/null";
  FILE* f = popen(cmd.c_str(), "r");
  if (!f) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) r.out.append(buf, n);
  const int st = pclose(f);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

class GridctlTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(sim.pty().empty()) << "rcvsim did not start"; }
  std::string rcv() const { return "--receiver COM" + sim.pty() + ":115200:1 "; }
  ScopedConfigHome config;
  SimProcess sim;
};

TEST_F(GridctlTest, CommandsPrintRepliesAndSetTheExitStatus) {
  Outcome ok = gridctl(rcv() + "print,/par/rcvid %9%print,/par/rcvid");
  EXPECT_EQ(ok.status, 0) << ok.out;
  EXPECT_EQ(ok.out, "RE00CSIM0A1B2C3D4\nRE00F%9%SIM0A1B2C3D4\n");

  Outcome bad = gridctl(rcv() + "print,/par/rcvid print,/par/no/such");
  EXPECT_EQ(bad.status, 1) << bad.out;
  EXPECT_EQ(bad.out.substr(0, 18), "RE00CSIM0A1B2C3D4\n");
}

TEST_F(GridctlTest, ScriptAttachAndList) {
  TempDir dir;
  const std::string file = dir.str() + "/s.txt";
  std::ofstream(file) << "stoperrors on\nprint,/par/rcvid\nprint,/par/no/such\nprint,/par/rcvid\n";
  Outcome script = gridctl(rcv() + "--script " + file);
  EXPECT_EQ(script.status, 1) << script.out;
  EXPECT_EQ(script.out.find("SIM0A1B2C3D4"), script.out.rfind("SIM0A1B2C3D4")) << script.out;

  Outcome attach = gridctl(rcv() + "--attach 0 PV:0.2 --count 2");
  EXPECT_EQ(attach.status, 0) << attach.out;
  EXPECT_EQ(attach.out.rfind("PV ", 0), 0u) << attach.out;
  EXPECT_EQ(std::count(attach.out.begin(), attach.out.end(), '\n'), 2);

  Outcome list = gridctl("--list");
  EXPECT_EQ(list.status, 0);
  // The receiver opened last comes first.
  EXPECT_EQ(list.out.rfind("COM" + sim.pty() + ":115200:1\n", 0), 0u) << list.out;
}

TEST_F(GridctlTest, UsageAndConnectionFailures) {
  EXPECT_EQ(gridctl("--help").status, 0);
  EXPECT_EQ(gridctl("print,/par/rcvid").status, 2);  // no receiver
  EXPECT_EQ(gridctl("--receiver XYZ1 print,/par/rcvid").status, 2);
  EXPECT_EQ(
      gridctl("--server 127.0.0.1:1 --receiver " + std::string("COM") + sim.pty() + ":115200:1 x").status, 2);
}

}  // namespace
