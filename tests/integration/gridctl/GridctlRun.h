#pragma once
// gridctl and rcvsim as a user runs them: the simulator as a child process, gridctl through
// the shell with its output and exit status.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TestPaths.h"

// rcvsim with the given options as a child; it ends when its stdin closes (and is killed if it
// does not). The "pty" and "tcp" lines it prints first give where it serves.
class SimProcess {
 public:
  // The simulator makes its log files before it prints; a sanitizer build on a busy machine
  // takes seconds for that.
  static constexpr int kStartMs = 30000;
  explicit SimProcess(std::vector<std::string> args = {"--pty"}) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    const std::string exe = TestPaths::binDir() + "/rcvsim";
    args.insert(args.begin(), exe);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    m_Pid = fork();
    if (m_Pid == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      execv(exe.c_str(), argv.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_Stdin = in[1];
    m_Stdout = out[0];
    // "pty <path>", "tcp <port>", then "files <dir>".
    for (std::string line = readLine(); !line.empty() && line.rfind("files ", 0) != 0; line = readLine()) {
      if (line.rfind("pty ", 0) == 0) m_Pty = line.substr(4);
      if (line.rfind("tcp ", 0) == 0) m_TcpPort = line.substr(4);
    }
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
  const std::string& tcpPort() const { return m_TcpPort; }

 private:
  std::string readLine() {
    std::string line;
    char c;
    pollfd p{m_Stdout, POLLIN, 0};
    while (line.size() < 256 && poll(&p, 1, kStartMs) == 1 && read(m_Stdout, &c, 1) == 1 && c != '\n')
      line += c;
    return line;
  }
  void closeOut() {
    if (m_Stdout >= 0) close(m_Stdout);
    m_Stdout = -1;
  }
  pid_t m_Pid = -1;
  int m_Stdin = -1, m_Stdout = -1;
  std::string m_Pty, m_TcpPort;
};

struct Outcome {
  int status = -1;
  std::string out;
};

// Runs the shell command line and collects its standard output.
inline Outcome runCommand(const std::string& cmd) {
  Outcome r;
  FILE* f = popen(cmd.c_str(), "r");
  if (!f) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) r.out.append(buf, n);
  const int st = pclose(f);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

inline Outcome gridctl(const std::string& args) {
  return runCommand(TestPaths::binDir() + "/gridctl " + args + " 2>/dev/null");
}
