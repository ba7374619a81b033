// Load on gridserver over loopback: N clients log in; each takes its turn on the one simulated
// receiver for C commands and makes M message round trips (send to itself, list, read, delete)
// while it waits. Every reply is checked; the figures are requests per second, the median and
// 99th-percentile reply times, the server's memory after each of two rounds, and the median
// command time against the same commands on the local server (the baseline of this run).
// Then the same load over TLS (requests/s and p99 against the plain rounds), and once more in
// plain while guessers hammer logins from another address (p99 against the plain rounds: the
// throttling of their failures must not slow the users).
//   bench_gridserver [clients] [commands] [messages]     defaults 50 100 20
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ServerProcess.h"
#include "TempDir.h"
#include "gridlink/CBlockingSocket.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "rcvsim/Simulator.h"
#include "session/RequestPacket.h"

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
            const std::string& tlsCa, Tally& tally) {
  const std::string user = "user" + std::to_string(index);
  std::vector<double> ms, commandMs;
  long failures = 0;
  CConnection c;
  c.SetTimeout(60);
  if (!tlsCa.empty()) c.SetTls(true, tlsCa.c_str());
  if (!c.Open(address.c_str(), user.c_str(), "pw", "bench")) {
    std::fprintf(stderr, "%s: %s\n", user.c_str(), c.GetReplyString().c_str());
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

struct Load {
  double perSecond = 0, p50 = 0, p99 = 0, commandP50 = 0, seconds = 0;
  long failures = 0;
  std::size_t requests = 0;
};

Load runLoad(const std::string& address, const std::string& rcv, int clients, int commands, int messages,
             const std::string& tlsCa) {
  Tally tally;
  const auto t0 = Clock::now();
  std::vector<std::thread> threads;
  for (int i = 0; i < clients; ++i)
    threads.emplace_back(client, address, rcv, i, commands, messages, tlsCa, std::ref(tally));
  for (auto& t : threads) t.join();
  Load l;
  l.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  std::lock_guard lock(tally.lock);
  l.requests = tally.ms.size();
  l.perSecond = static_cast<double>(l.requests) / l.seconds;
  l.p50 = percentile(tally.ms, 0.5);
  l.p99 = percentile(tally.ms, 0.99);
  l.commandP50 = percentile(tally.commandMs, 0.5);
  l.failures = tally.failures.load();
  return l;
}

// Wrong logins as fast as the server answers them, on one connection from 127.0.0.2 (a loopback
// address of its own, so that only the guessers' address gets locked out), opened again when the
// server drops it.
void guess(unsigned port, const std::atomic<bool>& stop, std::atomic<long>& tries) {
  const std::string packet = ServerLink::buildRequestPacket("OpenUsr user0 wrong guess", 0);
  char buf[512];
  while (!stop) {
    CBlockingSocket s;
    try {
      s.Create(true);
      s.Bind(CSockAddr("127.0.0.2", 0));
      s.Connect(CSockAddr("127.0.0.1", static_cast<std::uint16_t>(port)), 2000);
      while (!stop && s.Write(packet.data(), static_cast<int>(packet.size()), 2) > 0 &&
             s._Read(buf, sizeof buf, 10) > 0)
        ++tries;
    } catch (const CBlockingSocketException&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
}

void printLoad(const char* what, const Load& l) {
  std::printf(
      "%s: %zu requests in %.1f s = %.0f requests/s, reply p50 %.2f ms, p99 %.2f ms, lost or "
      "mismatched %ld\n",
      what, l.requests, l.seconds, l.perSecond, l.p50, l.p99, l.failures);
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
  std::printf("gridserver load on %s: %d clients x (%d commands + %d message round trips), 2 rounds\n",
              server.address().c_str(), clients,
              commands, messages);
  long rss[2] = {0, 0};
  double serverCommand = 0;
  long failures = 0;
  Load plain[2];
  for (int round = 0; round < 2; ++round) {
    plain[round] = runLoad(server.address(), rcv, clients, commands, messages, "");
    rss[round] = rssKiB(server.pid());
    serverCommand = plain[round].commandP50;
    failures += plain[round].failures;
    const std::string what = "round " + std::to_string(round + 1);
    printLoad(what.c_str(), plain[round]);
    std::printf("  server RSS %ld KiB\n", rss[round]);
  }
  std::printf("server memory after round 2 / after round 1: %.3f\n",
              rss[0] > 0 ? static_cast<double>(rss[1]) / static_cast<double>(rss[0]) : 0.0);
  const double direct = localBaseline(commands);
  std::printf("median command: through gridserver %.2f ms, on the local server %.2f ms, ratio %.2f\n",
              serverCommand, direct, direct > 0 ? serverCommand / direct : 0.0);
  const double plainP99 = std::max(plain[0].p99, plain[1].p99);

  // Failed logins hammered from another address during a plain round.
  std::atomic<bool> stop{false};
  std::atomic<long> tries{0};
  std::vector<std::thread> guessers;
  for (int i = 0; i < 4; ++i) guessers.emplace_back(guess, server.port(), std::cref(stop), std::ref(tries));
  const Load attacked = runLoad(server.address(), rcv, clients, commands, messages, "");
  stop = true;
  for (auto& t : guessers) t.join();
  failures += attacked.failures;
  printLoad("under login guessing", attacked);
  std::printf("  %ld wrong logins answered meanwhile; p99 under guessing / plain p99: %.2f\n", tries.load(),
              plainP99 > 0 ? attacked.p99 / plainP99 : 0.0);
  int status = server.Stop();

  // The same load over TLS, on a server with a certificate the clients are given.
  const std::string cert = dir.str() + "/cert.pem", key = dir.str() + "/key.pem";
  const std::string makeCert =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost "
      "-addext subjectAltName=IP:127.0.0.1 -keyout " +
      key + " -out " + cert + " >/dev/null 2>&1";
  if (std::system(makeCert.c_str()) == 0) {
    ServerProcess tls({"--listen", "127.0.0.1:0", "--users", dir.str() + "/users", "--store",
                       dir.str() + "/store", "--receiver", rcv, "--tls-cert", cert, "--tls-key", key});
    const Load secure = runLoad(tls.address(), rcv, clients, commands, messages, cert);
    failures += secure.failures;
    printLoad("over TLS", secure);
    const double plainRate = (plain[0].perSecond + plain[1].perSecond) / 2;
    std::printf("  TLS / plain: requests/s %.2f, p99 %.2f\n",
                plainRate > 0 ? secure.perSecond / plainRate : 0.0,
                plainP99 > 0 ? secure.p99 / plainP99 : 0.0);
    status |= tls.Stop();
  } else {
    std::printf("over TLS: skipped, openssl could not make a certificate\n");
  }
  sim.stop();
  std::printf("gridserver exit status %d; %ld replies lost or mismatched\n", status, failures);
  return failures == 0 && status == 0 ? 0 : 1;
}
