#pragma once
// gridserver as a child process on 127.0.0.1 with a chosen port, its standard error collected
// by a thread. Stop() sends SIGTERM and waits a bounded time (then kills); the destructor
// stops it too.
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TestPaths.h"

class ServerProcess {
 public:
  // Writes the users file (mode 0600) into dir; the store is dir/store.
  static std::string writeUsers(const std::string& dir, const std::string& lines) {
    const std::string path = dir + "/users";
    std::ofstream(path) << lines;
    chmod(path.c_str(), 0600);
    return path;
  }

  explicit ServerProcess(std::vector<std::string> args) {
    int err[2];
    if (pipe(err) != 0) return;
    // Built before the fork: the child of a process with threads may only make async-signal-safe
    // calls, and an allocation there can hang on a lock another thread held at the fork.
    const std::string exe = TestPaths::binDir() + "/gridserver";
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    m_Pid = fork();
    if (m_Pid == 0) {
      dup2(err[1], 2);
      close(err[0]);
      close(err[1]);
      execv(exe.c_str(), argv.data());
      _exit(127);
    }
    close(err[1]);
    m_Err = err[0];
    m_Reader = std::thread([this] { collect(); });
    // Listening, or gone: at most 10 s.
    std::unique_lock l(m_Lock);
    m_Changed.wait_for(l, std::chrono::seconds(10), [this] { return m_Port != 0 || m_Eof; });
  }
  ~ServerProcess() {
    Stop();
    if (m_Reader.joinable()) m_Reader.join();
    if (m_Err >= 0) close(m_Err);
  }

  unsigned port() const { return m_Port; }
  std::string address() const { return "127.0.0.1:" + std::to_string(m_Port); }
  pid_t pid() const { return m_Pid; }
  std::string log() {
    std::lock_guard l(m_Lock);
    return m_Log;
  }
  // Waits up to timeoutMs for text to appear in the log.
  bool waitLog(const std::string& text, int timeoutMs = 10000) {
    std::unique_lock l(m_Lock);
    return m_Changed.wait_for(l, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_Log.find(text) != std::string::npos; });
  }
  // SIGTERM, then the exit status (-1 when it had to be killed after 15 s).
  int Stop() {
    if (m_Pid <= 0) return m_Status;
    kill(m_Pid, SIGTERM);
    return Wait(15000);
  }
  // Waits for the process to end on its own; -1 (and killed) after timeoutMs.
  int Wait(int timeoutMs) {
    if (m_Pid <= 0) return m_Status;
    int st = 0;
    for (int waited = 0; waited < timeoutMs; waited += 20) {
      if (waitpid(m_Pid, &st, WNOHANG) == m_Pid) {
        m_Pid = -1;
        return m_Status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
      }
      usleep(20000);
    }
    kill(m_Pid, SIGKILL);
    waitpid(m_Pid, nullptr, 0);
    m_Pid = -1;
    return m_Status = -1;
  }

 private:
  void collect() {
    char buf[4096];
    for (;;) {
      const ssize_t n = read(m_Err, buf, sizeof buf);
      std::lock_guard l(m_Lock);
      if (n <= 0) {
        m_Eof = true;
        m_Changed.notify_all();
        return;
      }
      m_Log.append(buf, static_cast<std::size_t>(n));
      const auto at = m_Log.find("listening on ");
      if (m_Port == 0 && at != std::string::npos) {
        const auto colon = m_Log.find(':', at + 13);
        const auto end = m_Log.find('\n', at);
        if (colon != std::string::npos && end != std::string::npos)
          m_Port = static_cast<unsigned>(std::stoul(m_Log.substr(colon + 1, end - colon - 1)));
      }
      m_Changed.notify_all();
    }
  }

  pid_t m_Pid = -1;
  int m_Err = -1;
  int m_Status = -1;
  std::thread m_Reader;
  std::mutex m_Lock;
  std::condition_variable m_Changed;
  std::string m_Log;
  unsigned m_Port = 0;
  bool m_Eof = false;
};
