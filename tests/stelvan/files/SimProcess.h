#pragma once
// The rcvsim executable on a pseudo-terminal as a child process, for tests that link the
// shared Gridlink (the in-process simulator brings its own static copy). It ends when its
// standard input closes, and is killed if it does not.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "TestPaths.h"

class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    const std::string exe = TestPaths::binDir() + "/rcvsim";
    args.insert(args.begin(), {exe, "--pty"});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    m_Pid = fork();
    if (m_Pid == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      execv(exe.c_str(), argv.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_Stdin = in[1];
    m_Stdout = out[0];
    std::string line;  // first line: "pty <path>"
    char c;
    pollfd p{m_Stdout, POLLIN, 0};
    while (line.size() < 256 && poll(&p, 1, 5000) == 1 && read(m_Stdout, &c, 1) == 1 && c != '\n') line += c;
    if (line.rfind("pty ", 0) == 0) m_Pty = line.substr(4);
  }
  ~SimProcess() {
    if (m_Stdin >= 0) close(m_Stdin);
    if (m_Pid > 0) {
      int i = 0;
      while (i++ < 100 && waitpid(m_Pid, nullptr, WNOHANG) != m_Pid) usleep(20000);
      if (i > 100) {
        kill(m_Pid, SIGKILL);
        waitpid(m_Pid, nullptr, 0);
      }
    }
    if (m_Stdout >= 0) close(m_Stdout);
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;
  const std::string& pty() const { return m_Pty; }

 private:
  pid_t m_Pid = -1;
  int m_Stdin = -1, m_Stdout = -1;
  std::string m_Pty;
};
