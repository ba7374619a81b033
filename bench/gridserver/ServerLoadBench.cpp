// Load on gridserver over loopback: N clients log in; each takes its turn on the one simulated
// receiver for C commands and makes M message round trips (send to itself, list, read, delete)
// while it waits. Every reply is checked; the figures are requests per second, the median and
// 99th-percentile reply times, the server's memory after each of two rounds, and the median
// command time against the same commands on the local server (the baseline of this run).
//   bench_gridserver [clients] [commands] [messages]     defaults 50 100 20
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ServerProcess.h"
#include "TempDir.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "rcvsim/Simulator.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kCommand = "print,/par/rcvid";
constexpr const char* kExpected = "RE00CSIM0A1B2C3D4";
constexpr auto kDeadline = std::chrono::minutes(10);

struct Tally {
  std::mutex lock;
  std::vector<double> ms, commandMs;
  std::atomic<long> failures{0};
  void add(const std::vector<double>& v, const std::vector<double>& commands) {
    std::lock_guard l(lock);
    ms.insert(ms.end(), v.begin(), v.end());
    ms.insert(ms.end(), commands.begin(), commands.end());
    commandMs.insert(commandMs.end(), commands.begin(), commands.end());
  }
};

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

long rssKiB(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

template <class F>
bool timed(std::vector<double>& out, F f) {
  const auto t0 = Clock::now();
  const bool ok = f();
  out.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  return ok;
}

// One message to oneself and back: sent, listed, read inline and compared, deleted.
bool messageRoundTrip(CConnection& c, const std::string& user, int k, std::vector<double>& ms) {
  const std::string text = "trip " + std::to_string(k) + " of " + user;
  if (!timed(ms, [&] { return c.SetMsg(user.c_str(), "Trip", text.c_str()) == 1; })) return false;
  int count = 0;
  REMOTE_MSG* list = nullptr;
  timed(ms, [&] { return (list = c.GetMsgList(count)) != nullptr; });
  if (count != 1 || !list) return delete[] list, false;
  const std::string name = list[0].name;
  delete[] list;
  if (!timed(ms, [&] { return c.GetMsg(name.c_str(), nullptr) == 1; })) return false;
  if (c.GetReplyString() != "RE:OK. Trip " + text) return false;
  return timed(ms, [&] { return c.DeleteMsg(name.c_str()) == 1; });
}

void client(const std::string& address, const std::string& rcv, int index, int commands, int messages,
            Tally& tally) {
  const std::string user = "user" + std::to_string(index);
  std::vector<double> ms, commandMs;
  long failures = 0;
  CConnection c;
  c.SetTimeout(60);
  if (!c.Open(address.c_str(), user.c_str(), "pw", "bench")) {
    tally.failures += commands + messages;
    return;
  }
  const auto end = Clock::now() + kDeadline;
  int tripsDone = 0;
  bool turnDone = false;
  while (!turnDone && Clock::now() < end) {
    CReceiver* r = TSelfCreator<CReceiver>::Create();
    r->AddRef();
    if (r->Open(&c, rcv.c_str(), 1)) {
      for (int i = 0; i < commands; ++i)
        if (!timed(commandMs,
                   [&] { return r->SendCommand(kCommand) == 1 && r->GetReplyString() == kExpected; }))
          ++failures;
      turnDone = true;
    } else if (tripsDone < messages) {
      failures += messageRoundTrip(c, user, tripsDone++, ms) ? 0 : 1;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    r->Close(false);
    r->Release();
  }
  if (!turnDone) failures += commands;
  while (tripsDone < messages) failures += messageRoundTrip(c, user, tripsDone++, ms) ? 0 : 1;
  c.Close();
  tally.failures += failures;
  tally.add(ms, commandMs);
}

double localBaseline(int commands) {
  rcvsim::Options o;
  o.pty = true;
  rcvsim::Simulator sim(o);
  std::string error;
  if (!sim.start(error)) return 0;
  CConnection c;
  std::vector<double> ms;
  if (c.Open("", "bench", "", "bench")) {
    CReceiver* r = TSelfCreator<CReceiver>::Create();
    r->AddRef();
    if (r->Open(&c, ("COM" + sim.ptyPath() + ":115200:1").c_str(), 0))
      for (int i = 0; i < commands; ++i) timed(ms, [&] { return r->SendCommand(kCommand) == 1; });
    r->Close(false);
    r->Release();
  }
  c.Close();
  sim.stop();
  return percentile(ms, 0.5);
}

}  // namespace

int main(int argc, char** argv) {
  const int clients = argc > 1 ? std::atoi(argv[1]) : 50;
  const int commands = argc > 2 ? std::atoi(argv[2]) : 100;
  const int messages = argc > 3 ? std::atoi(argv[3]) : 20;
  TempDir dir;
  setenv("XDG_CONFIG_HOME", dir.str().c_str(), 1);
  std::string users;
  for (int i = 0; i < clients; ++i) users += "user" + std::to_string(i) + " pw\n";
  rcvsim::Options o;
  o.pty = true;
  o.filesDir = dir.str();
  rcvsim::Simulator sim(o);
  std::string error;
  if (!sim.start(error)) {
    std::fprintf(stderr, "rcvsim: %s\n", error.c_str());
    return 1;
  }
  const std::string rcv = "COM" + sim.ptyPath() + ":115200:1";
  ServerProcess server({"--listen", "127.0.0.1:0", "--users", ServerProcess::writeUsers(dir.str(), users),
                        "--store", dir.str() + "/store", "--receiver", rcv});
  if (server.port() == 0) {
    std::fprintf(stderr, "gridserver did not start:\n%s", server.log().c_str());
    return 1;
  }
  std::printf("gridserver load: %d clients x (%d commands + %d message round trips), 2 rounds\n", clients,
              commands, messages);
  long rss[2] = {0, 0};
  double seconds = 0, serverCommand = 0;
  long failures = 0;
  for (int round = 0; round < 2; ++round) {
    Tally tally;
    const auto t0 = Clock::now();
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i)
      threads.emplace_back(client, server.address(), rcv, i, commands, messages, std::ref(tally));
    for (auto& t : threads) t.join();
    seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    rss[round] = rssKiB(server.pid());
    serverCommand = percentile(tally.commandMs, 0.5);
    failures += tally.failures;
    std::lock_guard l(tally.lock);
    std::printf(
        "round %d: %zu requests in %.1f s = %.0f requests/s, reply p50 %.2f ms, p99 %.2f ms, "
        "lost or mismatched %ld, server RSS %ld KiB\n",
        round + 1, tally.ms.size(), seconds, static_cast<double>(tally.ms.size()) / seconds,
        percentile(tally.ms, 0.5), percentile(tally.ms, 0.99), tally.failures.load(), rss[round]);
  }
  std::printf("server memory after round 2 / after round 1: %.3f\n",
              rss[0] > 0 ? static_cast<double>(rss[1]) / static_cast<double>(rss[0]) : 0.0);
  const double direct = localBaseline(commands);
  std::printf("median command: through gridserver %.2f ms, on the local server %.2f ms, ratio %.2f\n",
              serverCommand, direct, direct > 0 ? serverCommand / direct : 0.0);
  const int status = server.Stop();
  sim.stop();
  std::printf("gridserver exit status %d; %ld replies lost or mismatched\n", status, failures);
  return failures == 0 && status == 0 ? 0 : 1;
}
