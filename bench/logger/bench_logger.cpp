// Logging cost: stelvan-log records the simulator's stream for ten minutes of receiver
// time, with the simulator's clock running 17 times faster so that the line carries about
// 1.5 Mbit/s; then the figures: bytes per second of receiver time, the logger's CPU seconds,
// its CPU share of one core at the rate measured and scaled to exactly 1.5 Mbit/s, and the
// bytes lost (logged against what the simulator sent).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "RcvsimTrace.h"

extern char** environ;
namespace fs = std::filesystem;

namespace {

pid_t spawn(std::vector<std::string> argv, const fs::path& out, int stdinFd) {
  posix_spawn_file_actions_t a;
  posix_spawn_file_actions_init(&a);
  if (stdinFd >= 0) posix_spawn_file_actions_adddup2(&a, stdinFd, 0);
  posix_spawn_file_actions_addopen(&a, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> args;
  for (auto& s : argv) args.push_back(s.data());
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &a, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&a);
  return pid;
}

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The simulator's answers to the logger's own commands ("%LG..%") are kept out of the files.
std::string withoutOwnReplies(const std::string& s) {
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

std::size_t sentFromFirstEpoch(const fs::path& trace) {
  const std::string sent = withoutOwnReplies(RcvsimSentBytes(trace.string()));
  const std::size_t first = sent.find("~~005");
  return first == std::string::npos ? 0 : sent.size() - first;
}

}  // namespace

int main() {
  const std::string bin = STELVAN_BENCH_BIN_DIR;
  const fs::path work = fs::temp_directory_path() / ("bench_logger_" + std::to_string(getpid()));
  fs::create_directories(work / "logs");
  int in[2];
  if (pipe(in) != 0) return 1;
  constexpr int kTimeScale = 17;
  const pid_t sim = spawn({bin + "/rcvsim", "--pty", "--seed", "9", "--time-scale", std::to_string(kTimeScale), "--trace",
                           (work / "trace.txt").string()},
                          work / "sim.out", in[0]);
  std::string pty;
  for (int i = 0; i < 250 && pty.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string s = readAll(work / "sim.out");
    if (s.rfind("pty ", 0) == 0) pty = s.substr(4, s.find('\n') - 4);
  }
  if (pty.empty()) return std::fprintf(stderr, "bench_logger: the simulator did not start\n"), 1;
  const int realSeconds = (600 + kTimeScale - 1) / kTimeScale;  // ten minutes of receiver time
  const pid_t logger =
      spawn({bin + "/stelvan-log", "--port", pty, "--rate", "115200", "--dir", (work / "logs").string(),
             "--period", "60", "--messages", "def:0.1,nmea/GGA:0.1,nmea/GSV:0.1,nmea/RMC:0.1", "--seconds",
             std::to_string(realSeconds)},
            work / "log.out", -1);
  int status = 0;
  waitpid(logger, &status, 0);
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  close(in[1]);
  kill(sim, SIGTERM);
  waitpid(sim, nullptr, 0);
  const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                     usage.ru_stime.tv_usec / 1e6;
  std::size_t logged = 0, files = 0;
  for (const auto& e : fs::directory_iterator(work / "logs")) logged += fs::file_size(e.path()), ++files;
  const std::size_t sent = sentFromFirstEpoch(work / "trace.txt");
  const double receiverSeconds = realSeconds * static_cast<double>(kTimeScale);
  const double bitsPerReceiverSecond = logged * 8.0 / receiverSeconds;
  // CPU per real second at the measured rate, scaled to a 1.5 Mbit/s stream in real time.
  const double share = cpu / realSeconds * (1.5e6 / (bitsPerReceiverSecond * kTimeScale));
  std::printf("logged %zu bytes in %zu files over %.0f s of receiver time (%.0f bit/s of receiver time)\n",
              logged, files, receiverSeconds, bitsPerReceiverSecond);
  std::printf("stelvan-log exit %d, CPU %.2f s for %d s real (%.1f %% of a core at %.2f Mbit/s)\n",
              WIFEXITED(status) ? WEXITSTATUS(status) : -1, cpu, realSeconds, 100.0 * cpu / realSeconds,
              bitsPerReceiverSecond * kTimeScale / 1e6);
  std::printf("CPU share at 1.5 Mbit/s: %.2f %% of one core (target under 2 %%)\n", 100.0 * share);
  std::printf("bytes lost: %lld (sent from the first epoch %zu)\n",
              static_cast<long long>(sent) - static_cast<long long>(logged), sent);
  fs::remove_all(work);
  return 0;
}
