// One command's round trip through the library (CReceiver::SendCommand -> local server ->
// request thread -> serial link -> simulator -> reader thread -> connection thread -> caller)
// against a bare write and read of the same command on a pseudo-terminal. The two run in
// short alternating blocks, each against its own simulator, so that a change of load on the
// machine touches both alike; the result is the median of the per-block ratios of medians,
// with its spread. The library should add at most half of the bare time.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "gridlink/Framing.h"
#include "rcvsim/Simulator.h"

namespace {

constexpr int kBlocks = 15;
constexpr int kRoundsPerBlock = 20;
constexpr const char* kCommand = "print,/par/rcvid";

using Clock = std::chrono::steady_clock;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// The same line the link sends, written and answered on a raw terminal.
class BareTerminal {
 public:
  explicit BareTerminal(const std::string& pty) : m_Fd(open(pty.c_str(), O_RDWR | O_NOCTTY)) {
    if (m_Fd < 0) return;
    termios t{};
    tcgetattr(m_Fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, B115200);
    tcsetattr(m_Fd, TCSANOW, &t);
  }
  ~BareTerminal() {
    if (m_Fd >= 0) close(m_Fd);
  }
  bool ok() const { return m_Fd >= 0; }
  // Microseconds of one round trip, or a negative value when it failed.
  double roundTrip() {
    const std::string line = Zrx::sealCommand(kCommand);
    std::vector<std::uint8_t> buf;
    const auto start = Clock::now();
    if (write(m_Fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return -1;
    for (;;) {
      pollfd p{m_Fd, POLLIN, 0};
      if (poll(&p, 1, 2000) != 1) return -1;
      std::uint8_t chunk[512];
      const ssize_t n = read(m_Fd, chunk, sizeof chunk);
      if (n <= 0) return -1;
      buf.insert(buf.end(), chunk, chunk + n);
      const Zrx::FrameScan s = Zrx::findFrame(buf.data(), buf.size());
      if (s.complete && buf[s.skip] == 'R' && buf[s.skip + 1] == 'E')
        return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    }
  }

 private:
  int m_Fd;
};

class LibraryReceiver {
 public:
  explicit LibraryReceiver(const std::string& pty) {
    if (!m_Conn.Open("", "bench", "", "bench_roundtrip")) return;
    m_Rcv = TSelfCreator<CReceiver>::Create();
    m_Rcv->AddRef();
    m_Open = m_Rcv->Open(&m_Conn, ("COM" + pty + ":115200:1").c_str(), 0) == 1;
  }
  ~LibraryReceiver() {
    if (m_Rcv) {
      m_Rcv->Close(false);
      m_Rcv->Release();
    }
    m_Conn.Close();
  }
  bool ok() const { return m_Open; }
  std::string reply() const { return m_Rcv ? m_Rcv->GetReplyString() : m_Conn.GetReplyString(); }
  double roundTrip() {
    const auto start = Clock::now();
    if (m_Rcv->SendCommand(kCommand) != 1) return -1;
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
  }

 private:
  CConnection m_Conn;
  CReceiver* m_Rcv = nullptr;
  bool m_Open = false;
};

std::unique_ptr<rcvsim::Simulator> startSimulator(const TempDir& files) {
  rcvsim::Options o;
  o.pty = true;
  o.filesDir = files.str();
  auto sim = std::make_unique<rcvsim::Simulator>(o);
  std::string error;
  if (!sim->start(error)) {
    std::fprintf(stderr, "rcvsim: %s\n", error.c_str());
    return nullptr;
  }
  return sim;
}

template <class Side>
bool block(Side& side, std::vector<double>& all, double& blockMedian) {
  std::vector<double> us;
  for (int i = 0; i < kRoundsPerBlock; ++i) {
    const double t = side.roundTrip();
    if (t < 0) return false;
    us.push_back(t);
  }
  all.insert(all.end(), us.begin(), us.end());
  blockMedian = median(us);
  return true;
}

}  // namespace

int main() {
  ScopedConfigHome config;
  TempDir bareFiles, libFiles;
  std::unique_ptr<rcvsim::Simulator> bareSim = startSimulator(bareFiles), libSim = startSimulator(libFiles);
  if (!bareSim || !libSim) return 1;
  BareTerminal bare(bareSim->ptyPath());
  LibraryReceiver lib(libSim->ptyPath());
  if (!bare.ok() || !lib.ok()) {
    std::fprintf(stderr, "open failed: %s\n", lib.reply().c_str());
    return 1;
  }
  std::vector<double> bareAll, libAll, ratios;
  for (int b = 0; b < kBlocks; ++b) {
    double bareMedian = 0, libMedian = 0;
    if (!block(bare, bareAll, bareMedian)) {
      std::fprintf(stderr, "bare round trips failed\n");
      return 1;
    }
    if (!block(lib, libAll, libMedian)) {
      std::fprintf(stderr, "library: %s\n", lib.reply().c_str());
      return 1;
    }
    if (bareMedian > 0) ratios.push_back(libMedian / bareMedian);
  }
  std::sort(ratios.begin(), ratios.end());
  const double ratio = median(ratios);
  std::printf("round trip of \"%s\" over a pseudo-terminal, %d alternating blocks of %d rounds\n", kCommand,
              kBlocks, kRoundsPerBlock);
  std::printf("  bare write/read median:         %8.1f us\n", median(bareAll));
  std::printf("  CReceiver::SendCommand median:  %8.1f us\n", median(libAll));
  std::printf("  ratio library/bare, median of blocks: %5.2f (spread %.2f .. %.2f; target <= 1.50)\n", ratio,
              ratios.empty() ? 0.0 : ratios.front(), ratios.empty() ? 0.0 : ratios.back());
  return 0;
}
