// What the logging service relies on when it is stopped: SIGTERM makes stelvan-log close and
// rename its last file, say so, and exit 0, so that nothing logged is left in a temporary file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "TempDir.h"
#include "TestPaths.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A program with its standard input held open (rcvsim ends with it) and its output in a file.
class Process {
 public:
  Process(std::vector<std::string> argv, const fs::path& out) {
    int in[2];
    if (pipe(in) != 0) return;
    posix_spawn_file_actions_t a;
    posix_spawn_file_actions_init(&a);
    posix_spawn_file_actions_adddup2(&a, in[0], 0);
    posix_spawn_file_actions_addclose(&a, in[1]);
    posix_spawn_file_actions_addopen(&a, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> args;
    for (auto& s : argv) args.push_back(s.data());
    args.push_back(nullptr);
    if (posix_spawn(&pid_, args[0], &a, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&a);
    close(in[0]);
    stdin_ = in[1];
  }
  ~Process() {
    close(stdin_);
    if (pid_ > 0 && Stop(SIGTERM, 5000) == kKilled) Stop(SIGKILL, 5000);
  }
  static constexpr int kKilled = -1;
  // Exit status after `signal`, or kKilled when it did not exit by itself within `ms`.
  int Stop(int signal, int ms) {
    kill(pid_, signal);
    for (int waited = 0; waited < ms; waited += 20) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : kKilled;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return kKilled;
  }

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
};

// Waits (bounded) until the output file holds `text`; returns the output.
std::string waitFor(const fs::path& out, const std::string& text, int ms) {
  std::string s;
  for (int waited = 0; waited < ms; waited += 20) {
    s = readAll(out);
    if (s.find(text) != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return s;
}

TEST(LoggingService, SigtermClosesAndRenamesTheLastFile) {
  TempDir dir;
  ScopedConfigHome config;
  const fs::path logs = dir.path() / "logs";
  fs::create_directory(logs);
  const std::string bin = TestPaths::binDir();
  Process sim({bin + "/rcvsim", "--pty", "--seed", "7"}, dir.path() / "sim.out");
  const std::string simOut = waitFor(dir.path() / "sim.out", "\n", 10000);
  ASSERT_EQ(simOut.rfind("pty ", 0), 0u) << simOut;
  const std::string pty = simOut.substr(4, simOut.find('\n') - 4);
  // An hour's file: only the stop can close it.
  Process logger({bin + "/stelvan-log", "--port", pty, "--rate", "115200", "--dir", logs.string(), "--period",
                  "3600", "--messages", "RT:0.2,RD:0.2,PG:0.2"},
                 dir.path() / "log.out");
  ASSERT_NE(waitFor(dir.path() / "log.out", "Log file started", 30000).find("Log file started"),
            std::string::npos);
  // Some epochs in the file before the stop.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));

  ASSERT_EQ(logger.Stop(SIGTERM, 20000), 0);
  const std::string out = readAll(dir.path() / "log.out");
  const std::size_t closed = out.find(" Log file closed: ");
  ASSERT_NE(closed, std::string::npos) << out;
  const std::size_t nameAt = closed + std::string(" Log file closed: ").size();
  const fs::path file = out.substr(nameAt, out.find('\n', nameAt) - nameAt);
  ASSERT_TRUE(fs::exists(file)) << file;
  EXPECT_EQ(file.parent_path(), logs);
  EXPECT_EQ(readAll(file).substr(0, 5), "~~005") << "the file begins with a whole epoch";
  for (const auto& e : fs::directory_iterator(logs))
    EXPECT_NE(e.path().filename().string()[0], '~') << "temporary file left: " << e.path();
}

}  // namespace
