// One command's round trip through the library (CReceiver::SendCommand -> local server ->
// serial link -> simulator -> reader thread -> connection thread -> caller) against a bare
// write and read of the same command on the same pseudo-terminal. Prints both medians and
// their ratio; the library should add at most half of the bare time.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
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

// The same line the link sends, written and answered on a raw terminal.
bool bareRoundTrips(const std::string& pty, std::vector<double>& us) {
  const int fd = open(pty.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return false;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  cfsetspeed(&t, B115200);
  tcsetattr(fd, TCSANOW, &t);
  const std::string line = Zrx::sealCommand(kCommand);
  std::vector<std::uint8_t> buf;
  for (int i = 0; i < kRounds; ++i) {
    buf.clear();
    const auto start = Clock::now();
    if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
    bool done = false;
    while (!done) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 2000) != 1) break;
      std::uint8_t chunk[512];
      const ssize_t n = read(fd, chunk, sizeof chunk);
      if (n <= 0) break;
      buf.insert(buf.end(), chunk, chunk + n);
      const Zrx::FrameScan s = Zrx::findFrame(buf.data(), buf.size());
      done = s.complete && buf[s.skip] == 'R' && buf[s.skip + 1] == 'E';
    }
    if (!done) break;
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  close(fd);
  return static_cast<int>(us.size()) == kRounds;
}

bool libraryRoundTrips(const std::string& pty, std::vector<double>& us) {
  CConnection conn;
  if (!conn.Open("", "bench", "", "bench_roundtrip")) return false;
  CReceiver* rcv = TSelfCreator<CReceiver>::Create();
  rcv->AddRef();
  bool ok = rcv->Open(&conn, ("COM" + pty + ":115200:1").c_str(), 0) == 1;
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

}  // namespace

int main() {
  ScopedConfigHome config;
  TempDir files;
  rcvsim::Options o;
  o.pty = true;
  o.filesDir = files.str();
  rcvsim::Simulator sim(o);
  std::string error;
  if (!sim.start(error)) {
    std::fprintf(stderr, "rcvsim: %s\n", error.c_str());
    return 1;
  }
  std::vector<double> bare, lib;
  if (!bareRoundTrips(sim.ptyPath(), bare)) {
    std::fprintf(stderr, "bare round trips failed\n");
    return 1;
  }
  if (!libraryRoundTrips(sim.ptyPath(), lib)) {
    std::fprintf(stderr, "library round trips failed\n");
    return 1;
  }
  sim.stop();
  const double b = median(bare), l = median(lib);
  std::printf("round trip of \"%s\" over a pseudo-terminal, %d rounds each\n", kCommand, kRounds);
  std::printf("  bare write/read median:       %8.1f us\n", b);
  std::printf("  CReceiver::SendCommand median: %8.1f us\n", l);
  std::printf("  ratio library/bare:            %8.2f (target <= 1.50)\n", b > 0 ? l / b : 0.0);
  return 0;
}
