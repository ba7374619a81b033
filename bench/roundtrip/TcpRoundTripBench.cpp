// One command's round trip through the library over the TCP link (CReceiver::SendCommand ->
// local server -> TCP link -> simulator -> reader thread -> connection thread -> caller)
// against a bare write and read of the same command on the same TCP port, after the same
// login. Prints both medians and their ratio; the library should add at most half of the bare
// time. (The serial row is bench_roundtrip.)
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "TempDir.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "gridlink/Framing.h"
#include "rcvsim/Simulator.h"

namespace {

constexpr int kRounds = 300;
constexpr const char* kCommand = "print,/par/rcvid";

using Clock = std::chrono::steady_clock;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Reads until a whole "RE" frame has arrived; false on silence or a closed line.
bool awaitReply(int fd, std::vector<std::uint8_t>& buf) {
  buf.clear();
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 2000) != 1) return false;
    std::uint8_t chunk[512];
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) return false;
    buf.insert(buf.end(), chunk, chunk + n);
    const Zrx::FrameScan s = Zrx::findFrame(buf.data(), buf.size());
    if (s.complete && buf[s.skip] == 'R' && buf[s.skip + 1] == 'E') return true;
  }
}

// The same line the link sends, written and answered on a descriptor.
bool bareRoundTrips(int fd, std::vector<double>& us) {
  const std::string line = Zrx::sealCommand(kCommand);
  std::vector<std::uint8_t> buf;
  for (int i = 0; i < kRounds; ++i) {
    const auto start = Clock::now();
    if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
    if (!awaitReply(fd, buf)) break;
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  return static_cast<int>(us.size()) == kRounds;
}

// Reads until `text` has arrived (the login's prompts), at most 2 s a read.
bool awaitText(int fd, const std::string& text) {
  std::string got;
  while (got.find(text) == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    char chunk[256];
    if (poll(&p, 1, 2000) != 1) return false;
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) return false;
    got.append(chunk, static_cast<std::size_t>(n));
  }
  return true;
}

bool bareTcpRoundTrips(int port, std::vector<double>& us) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && awaitText(fd, "login:") &&
            write(fd, "\n", 1) == 1 && awaitText(fd, "password:") && write(fd, "\n", 1) == 1 &&
            awaitText(fd, "RE");
  ok = ok && bareRoundTrips(fd, us);
  close(fd);
  return ok;
}

bool libraryRoundTrips(const std::string& receiver, std::vector<double>& us) {
  CConnection conn;
  if (!conn.Open("", "bench", "", "bench_roundtrip")) return false;
  CReceiver* rcv = TSelfCreator<CReceiver>::Create();
  rcv->AddRef();
  bool ok = rcv->Open(&conn, receiver.c_str(), 0) == 1;
  for (int i = 0; ok && i < kRounds; ++i) {
    const auto start = Clock::now();
    ok = rcv->SendCommand(kCommand) == 1;
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  if (!ok) std::fprintf(stderr, "library: %s\n", rcv->GetReplyString().c_str());
  rcv->Close(false);
  rcv->Release();
  conn.Close();
  return ok;
}

void report(const char* link, const std::vector<double>& bare, const std::vector<double>& lib) {
  const double b = median(bare), l = median(lib);
  std::printf("round trip of \"%s\" over %s, %d rounds each\n", kCommand, link, kRounds);
  std::printf("  bare write/read median:       %8.1f us\n", b);
  std::printf("  CReceiver::SendCommand median: %8.1f us\n", l);
  std::printf("  ratio library/bare:            %8.2f (target <= 1.50)\n", b > 0 ? l / b : 0.0);
}

}  // namespace

int main() {
  ScopedConfigHome config;
  TempDir files;
  rcvsim::Options o;
  o.tcp = "127.0.0.1:0";
  o.filesDir = files.str();
  rcvsim::Simulator sim(o);
  std::string error;
  if (!sim.start(error)) {
    std::fprintf(stderr, "rcvsim: %s\n", error.c_str());
    return 1;
  }
  std::vector<double> bareTcp, libTcp;
  if (!bareTcpRoundTrips(sim.tcpPort(), bareTcp)) {
    std::fprintf(stderr, "bare round trips failed\n");
    return 1;
  }
  if (!libraryRoundTrips("TCP:127.0.0.1:" + std::to_string(sim.tcpPort()) + ":", libTcp)) {
    std::fprintf(stderr, "library round trips failed\n");
    return 1;
  }
  sim.stop();
  report("TCP on 127.0.0.1", bareTcp, libTcp);
  return 0;
}
