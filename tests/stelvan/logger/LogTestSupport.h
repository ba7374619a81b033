#pragma once
// Running stelvan-log and the simulator as child processes, and reading back what they did.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "RcvsimTrace.h"

extern char** environ;

namespace logtest {

namespace fs = std::filesystem;

inline std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A child process with its standard input held open and its output (and errors) in files.
struct Child {
  Child(std::vector<std::string> argv, const fs::path& out, const fs::path& err = {}) {
    int in[2];
    if (pipe(in) != 0) return;
    posix_spawn_file_actions_t a;
    posix_spawn_file_actions_init(&a);
    posix_spawn_file_actions_adddup2(&a, in[0], 0);
    posix_spawn_file_actions_addclose(&a, in[1]);
    posix_spawn_file_actions_addopen(&a, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!err.empty())
      posix_spawn_file_actions_addopen(&a, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> args;
    for (auto& s : argv) args.push_back(s.data());
    args.push_back(nullptr);
    if (posix_spawnp(&pid, args[0], &a, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&a);
    close(in[0]);
    stdinWrite = in[1];
  }
  // Exit status, or -1 when it did not end within `ms` (or ended by a signal).
  int wait(int ms) {
    for (int waited = 0; pid > 0 && waited < ms; waited += 20) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }
  // SIGTERM, as a service manager stops it; then its exit status as wait() gives it.
  int stop(int ms) {
    if (pid > 0) ::kill(pid, SIGTERM);
    return wait(ms);
  }
  void kill9() {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
  }
  ~Child() {
    if (stdinWrite >= 0) close(stdinWrite);
    if (pid > 0) {
      kill(pid, SIGTERM);
      if (wait(10000) == -1 && pid > 0) kill9();
    }
  }
  pid_t pid = -1;
  int stdinWrite = -1;
};

// Waits (bounded) until `file` holds a line beginning with `lead`; returns the rest of it.
inline std::string waitForLine(const fs::path& file, const std::string& lead, int ms = 10000) {
  for (int waited = 0; waited < ms; waited += 20) {
    const std::string s = readAll(file);
    for (std::size_t at = 0; at < s.size();) {
      const std::size_t nl = s.find('\n', at);
      if (nl == std::string::npos) break;
      if (s.compare(at, lead.size(), lead) == 0) return s.substr(at + lead.size(), nl - at - lead.size());
      at = nl + 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {};
}

// The simulator on a pseudo-terminal; `pty` is its device path ("" when it did not start).
struct Sim {
  Sim(const std::string& bin, const fs::path& dir, const std::string& name,
      std::vector<std::string> extra = {}) {
    std::vector<std::string> argv = {bin + "/rcvsim", "--pty", "--trace", (dir / (name + ".trace")).string()};
    argv.insert(argv.end(), extra.begin(), extra.end());
    child = std::make_unique<Child>(argv, dir / (name + ".out"));
    pty = waitForLine(dir / (name + ".out"), "pty ");
    trace = dir / (name + ".trace");
  }
  std::unique_ptr<Child> child;
  std::string pty;
  fs::path trace;
};

// What the simulator sent, without its answers to the logger's own commands (the logger
// keeps those out of its files).
inline std::string withoutOwnReplies(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    if (i + 8 <= s.size() && (s.compare(i, 2, "RE") == 0 || s.compare(i, 2, "ER") == 0) &&
        s.compare(i + 5, 3, "%LG") == 0) {
      i += 5 + std::stoul(s.substr(i + 2, 3), nullptr, 16);
      continue;
    }
    out += s[i++];
  }
  return out;
}

// The sent stream from the first whole epoch on, as the logger's files hold it.
inline std::string sentFromFirstEpoch(const fs::path& trace) {
  const std::string sent = withoutOwnReplies(RcvsimSentBytes(trace.string()));
  const std::size_t first = sent.find("~~005");
  return first == std::string::npos ? std::string() : sent.substr(first);
}

// The text the simulator received (commands), from its trace's " > " lines.
inline std::string receivedText(const fs::path& trace) {
  std::ifstream in(trace);
  std::string out;
  for (std::string line; std::getline(in, line);) {
    const std::size_t mark = line.find(" > ");
    if (mark != std::string::npos && line.find(' ') == mark) out += line.substr(mark + 3) + "\n";
  }
  return out;
}

inline std::uintmax_t sizeOf(const fs::path& p) {
  std::error_code ec;
  const std::uintmax_t n = fs::file_size(p, ec);
  return ec ? 0 : n;
}

// Waits (bounded) until `p` holds at least `bytes`.
inline bool waitForSize(const fs::path& p, std::uintmax_t bytes, int ms = 15000) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (sizeOf(p) >= bytes) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

inline std::vector<fs::path> filesIn(const fs::path& dir) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace logtest
