// stelvan-log against the simulator with its clock running 100 times faster: a thousand

// one-second files across midnight, and what they hold equals, byte for byte, what the
// simulator sent from the first whole epoch on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "RcvsimTrace.h"
#include "TempDir.h"
#include "TestPaths.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// A child process with its standard input held open and its output in a file.
struct Child {
  Child(std::vector<std::string> argv, const fs::path& out) {
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
    if (posix_spawn(&pid, args[0], &a, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&a);
    close(in[0]);
    stdinWrite = in[1];
  }
  // Exit status, or -1 when it had to be killed after `ms`.
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
  ~Child() {
    if (stdinWrite >= 0) close(stdinWrite);
    if (pid > 0) {
      kill(pid, SIGTERM);
      if (wait(5000) == -1 && pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
    }
  }
  pid_t pid = -1;
  int stdinWrite = -1;
};

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(StelvanLog, AThousandRotationsAcrossMidnightLoseNothing) {
  TempDir dir;
  ScopedConfigHome config;
  const fs::path logs = dir.path() / "logs";
  fs::create_directory(logs);
  const std::string bin = TestPaths::binDir();
  Child sim({bin + "/rcvsim", "--pty", "--seed", "5", "--time-scale", "100", "--start", "2026-12-07T23:50:00",
             "--trace", (dir.path() / "trace.txt").string()},
            dir.path() / "sim.out");
  std::string pty;
  for (int i = 0; i < 250 && pty.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string s = readAll(dir.path() / "sim.out");
    if (s.rfind("pty ", 0) == 0) pty = s.substr(4, s.find('\n') - 4);
  }
  ASSERT_FALSE(pty.empty());
  Child logger({bin + "/stelvan-log", "--port", pty, "--rate", "115200", "--dir", logs.string(), "--period",
                "1", "--messages", "RT:0.2,RD:0.2,PG:0.2,EE:0.2", "--seconds", "11"},
               dir.path() / "log.out");
  ASSERT_EQ(logger.wait(60000), 0);

  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(logs)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 1000u);
  std::string joined;
  bool crossed = false;
  for (const fs::path& f : files) {
    ASSERT_NE(f.filename().string()[0], '~') << "temporary file left: " << f;
    crossed |= f.filename().string().rfind("Site_2026_12_08_00.00.00", 0) == 0;
    const std::string bytes = readAll(f);
    ASSERT_EQ(bytes.substr(0, 5), "~~005") << f;
    joined += bytes;
  }
  EXPECT_TRUE(crossed);
  const std::string sent = RcvsimSentBytes((dir.path() / "trace.txt").string());
  const std::size_t first = sent.find("~~005");
  ASSERT_NE(first, std::string::npos);
  EXPECT_TRUE(joined == sent.substr(first))
      << "logged " << joined.size() << " bytes, sent " << sent.size() - first << " from the first epoch";
  const std::string out = readAll(dir.path() / "log.out");
  EXPECT_EQ(static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n')), 2 * files.size());
}

}  // namespace
