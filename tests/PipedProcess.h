#pragma once
// A program as a child process with pipes on its standard input and output (its standard error
// is the test's). Started with posix_spawn, not QProcess: QProcess clones the process vfork-style
// through clone(), and the thread checker's clone hook then runs its after-fork bookkeeping in
// memory the parent shares, so the parent's own locks go unseen and its next thread is refused.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

class PipedProcess {
 public:
  PipedProcess() = default;
  PipedProcess(const PipedProcess&) = delete;
  PipedProcess& operator=(const PipedProcess&) = delete;
  ~PipedProcess() {
    closeStdin();
    finish(5000);
    if (out_ >= 0) ::close(out_);
  }

  bool start(const std::string& exe, std::vector<std::string> args) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0) return false;
    if (pipe2(out, O_CLOEXEC) != 0) {
      ::close(in[0]), ::close(in[1]);
      return false;
    }
    args.insert(args.begin(), exe);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    const bool started = posix_spawn(&pid_, exe.c_str(), &fa, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&fa);
    ::close(in[0]);
    ::close(out[1]);
    if (!started) {
      pid_ = -1;
      ::close(in[1]);
      ::close(out[0]);
      return false;
    }
    in_ = in[1];
    out_ = out[0];
    return true;
  }

  // The next line of its standard output without the newline; false at its end or after
  // timeoutMs. `idle` runs between short polls (a window test keeps its events flowing).
  bool readLine(std::string& line, int timeoutMs, const std::function<void()>& idle = {}) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (const auto nl = buffer_.find('\n'); nl != std::string::npos) {
        line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        return true;
      }
      if (out_ < 0 || std::chrono::steady_clock::now() >= end) return false;
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, idle ? 20 : 100) > 0) {
        char buf[512];
        const ssize_t n = ::read(out_, buf, sizeof buf);
        if (n <= 0) return false;
        buffer_.append(buf, static_cast<std::size_t>(n));
      }
      if (idle) idle();
    }
  }

  void closeStdin() {
    if (in_ >= 0) ::close(in_);
    in_ = -1;
  }

  // Waits up to timeoutMs for it to end, then kills it; its exit status, or -1 when killed.
  int finish(int timeoutMs) {
    if (pid_ <= 0) return status_;
    int st = 0;
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
      if (waitpid(pid_, &st, WNOHANG) == pid_) {
        pid_ = -1;
        return status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
      }
      usleep(20000);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return status_ = -1;
  }

  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int in_ = -1, out_ = -1;
  int status_ = -1;
  std::string buffer_;
};
