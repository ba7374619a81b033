// Decode throughput of stelvan-decode per format (ZRX, NMEA and RTCM 3 and
// CMR from the simulator's generators, RTCM 2 from a recorded capture, as
// recorded and moved three bits off the byte boundaries, and an
// unknown-heavy stream and a stream of long line-end runs), in --stats mode and in the line-printing
// mode, each against a memchr scan of the same bytes measured in the same
// run, with the --stats rate also by the decoder's processor time. The
// message counts of both modes are checked against each other and
// against the number of messages generated.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "StreamMaker.h"

extern char** environ;
namespace fs = std::filesystem;
using benchdecode::Input;

namespace {

std::string env(const char* n, const char* fallback) {
  const char* v = std::getenv(n);
  return v && *v ? v : fallback;
}

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs argv with stdin from `input` and stdout to `output`; returns seconds or -1.
// `cpu` gets the child's processor seconds (all its threads): on a shared
// machine they tell more than the wall clock.
double timeRun(const std::vector<std::string>& args, const std::string& input, const std::string& output,
               double* cpu = nullptr) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid;
  const double t0 = now();
  const int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) return -1;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double t = now() - t0;
  if (cpu)
    *cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return (WIFEXITED(status) && WEXITSTATUS(status) == 0) ? t : -1;
}

double memchrSeconds(const std::string& bytes) {
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    const double t0 = now();
    std::size_t lines = 0;
    for (const char* p = bytes.data();
         (p = static_cast<const char*>(
              std::memchr(p, '\n', static_cast<std::size_t>(bytes.data() + bytes.size() - p))));
         ++p)
      ++lines;
    best = std::min(best, now() - t0 + (lines == 0 ? 1e-12 : 0));
  }
  return best;
}

std::string readAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// Sum of the message counts in --stats output, and of one format's counts.
std::size_t statsCount(const std::string& json, const std::string& format) {
  std::size_t total = 0;
  const std::size_t m = json.find("\"messages\"");
  if (m == std::string::npos) return 0;
  // Keys may hold "}" (identifiers of any bytes): the object ends before "refused".
  const std::size_t close = json.find("}, \"refused\"", m);
  for (std::size_t at = json.find('{', m);
       at != std::string::npos && (at = json.find('"', at + 1)) != std::string::npos && at < close;) {
    const std::size_t end = json.find("\": ", at + 1);
    if (end == std::string::npos) break;
    const std::string key = json.substr(at + 1, end - at - 1);
    const std::size_t n = std::strtoull(json.c_str() + end + 3, nullptr, 10);
    if (format.empty() || key.rfind(format + ":", 0) == 0) total += n;
    at = json.find_first_of(",}", end);
    if (at == std::string::npos) break;
  }
  return total;
}

}  // namespace

int main() {
  const std::string captures = env("STELVAN_SHARED_DIR", STELVAN_BENCH_SHARED_DIR) + "/data/captures";
  const std::string decoder = env("STELVAN_BIN_DIR", STELVAN_BENCH_BIN_DIR) + "/stelvan-decode";
  const std::size_t target = std::strtoull(env("BENCH_DECODE_MB", "16").c_str(), nullptr, 10) << 20;
  char tmpl[] = "/tmp/bench_decode.XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const fs::path dir = tmpl;

  std::vector<Input> inputs;
  inputs.push_back(benchdecode::zrxStream(target));
  inputs.push_back(benchdecode::nmeaStream(target));
  inputs.push_back(benchdecode::captureStream("RTCM", captures + "/naujoks-rtcm2.log", target));
  inputs.push_back(benchdecode::shiftedRtcm2Stream("RTCM@bit3", captures + "/naujoks-rtcm2.log", target, 3));
  inputs.push_back(benchdecode::rtcm3Stream(target));
  inputs.push_back(benchdecode::cmrStream(target));
  inputs.push_back(benchdecode::unknownHeavyStream(target));
  inputs.push_back(benchdecode::lineEndStream(target));

  int failures = 0;
  std::map<std::string, double> cpuRate;
  std::printf("%-14s %8s %10s %10s %10s %8s %10s %10s\n", "input", "MB", "memchr", "--stats", "lines", "ratio",
              "messages", "cpu");
  for (const Input& in : inputs) {
    if (in.bytes.empty()) {
      std::printf("%-14s skipped: no capture\n", in.name.c_str());
      continue;
    }
    const std::string path = (dir / "in.bin").string();
    std::ofstream(path, std::ios::binary)
        .write(in.bytes.data(), static_cast<std::streamsize>(in.bytes.size()));
    const double mb = static_cast<double>(in.bytes.size()) / 1e6;
    const double scan = mb / memchrSeconds(in.bytes);
    const std::string stats = (dir / "stats.json").string(), lines = (dir / "lines.txt").string();
    double best = 1e9, bestCpu = 1e9;
    for (int round = 0; round < 2; ++round) {
      double cpu = 0;
      best = std::min(best, timeRun({decoder, "--stats"}, path, stats, &cpu));
      bestCpu = std::min(bestCpu, cpu);
    }
    const double lineSecs = timeRun({decoder}, path, lines);
    if (best < 0 || lineSecs < 0) {
      std::printf("%-14s stelvan-decode failed\n", in.name.c_str());
      ++failures;
      continue;
    }
    const std::string json = readAll(stats), text = readAll(lines);
    const std::size_t counted = statsCount(json, "");
    const std::size_t lineCount = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    const std::size_t ofFormat =
        in.name == "unknown-heavy" || in.name == "line-ends" ? statsCount(json, "NMEA") : statsCount(json, in.name);
    cpuRate[in.name] = mb / std::max(bestCpu, 1e-6);
    std::printf("%-14s %8.1f %10.1f %10.1f %10.1f %8.4f %10zu %10.1f\n", in.name.c_str(), mb, scan, mb / best,
                mb / lineSecs, (mb / best) / scan, counted, cpuRate[in.name]);
    if (lineCount != counted) {
      std::printf("  COUNT MISMATCH: %zu lines against %zu in --stats\n", lineCount, counted);
      ++failures;
    }
    // In the noise a few sentences fall inside false frames of unlisted ZRX
    // identifiers (accepted by checksum trial); the rest must all be found.
    const bool noisy = in.name == "unknown-heavy";
    if (in.messages && (noisy ? ofFormat * 100 < in.messages * 98 : ofFormat != in.messages)) {
      std::printf("  COUNT MISMATCH: %zu %s messages decoded, %zu generated\n", ofFormat, in.name.c_str(),
                  in.messages);
      ++failures;
    }
  }
  std::printf("(MB/s; ratio = --stats rate / memchr rate; cpu = --stats rate by the decoder's processor time)\n");
  // The decoder's own goals, by processor time: noise costs at most twice
  // what RTCM 3 costs, RTCM 2 at any bit offset at most three times.
  const double rtcm3 = cpuRate.count("RTCM_3") ? cpuRate["RTCM_3"] : 0;
  if (rtcm3 > 0) {
    for (const char* name : {"unknown-heavy", "RTCM", "RTCM@bit3"})
      if (cpuRate.count(name))
        std::printf("%s / RTCM_3 by processor time: %.2f (goal %s)\n", name, cpuRate[name] / rtcm3,
                    std::string(name) == "unknown-heavy" ? ">= 0.50" : ">= 0.33");
  }
  fs::remove_all(dir);
  return failures ? 1 : 0;
}
