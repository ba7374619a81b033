// Receiver file download throughput through the whole client (local server, transfer thread,
// connection thread, file writes) with the simulator pacing its output at the line rate on a
// pseudo-terminal. The baseline is the line itself: the time the file's bytes take at 10 bits
// per byte. The share of the line rate is baseline / measured (target: at least 90 %), over
// the whole request (set-up and close included) and over the block stream alone.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "TempDir.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "gridlink/platform/Clock.h"
#include "rcvsim/Simulator.h"

namespace {

struct Timing {
  double total = -1;   // from the request to the end, set-up and close included
  double stream = -1;  // from the first block written to the end
  std::size_t streamBytes = 0;
};

// One download; total stays negative when it failed.
Timing download(int rate, std::uint32_t block, std::size_t bytes) {
  TempDir files, out;
  std::string data(bytes, '\0');
  for (std::size_t i = 0; i < bytes; ++i) data[i] = static_cast<char>(i * 131 + (i >> 9));
  std::ofstream(files.path() / "bench", std::ios::binary) << data;
  rcvsim::Options o;
  o.pty = true;
  o.pace = true;
  o.rate = rate;
  o.filesDir = files.str();
  rcvsim::Simulator sim(o);
  std::string error;
  Timing t;
  if (!sim.start(error)) return std::fprintf(stderr, "%s\n", error.c_str()), t;
  CConnection conn;
  if (!conn.Open("", "bench", "", "bench")) return t;
  CReceiver* rcv = TSelfCreator<CReceiver>::Create();
  rcv->AddRef();
  const std::string rcvString = "COM" + sim.ptyPath() + ":" + std::to_string(rate) + ":1";
  const std::string local = (out.path() / "bench").string();
  if (rcv->Open(&conn, rcvString.c_str(), 0)) {
    const auto start = std::chrono::steady_clock::now();
    if (rcv->DownloadFile(local.c_str(), "bench", block)) {
      DOWNLOADINFO info{};
      std::chrono::steady_clock::time_point first;
      int firstBytes = 0;
      for (int i = 0; i < 60000 && rcv->GetDownloadStatus(info) == 0; ++i) {
        if (firstBytes == 0 && info.bytes > 0) {
          first = std::chrono::steady_clock::now();
          firstBytes = info.bytes;
        }
        Platform::Sleep(2);
      }
      const auto end = std::chrono::steady_clock::now();
      if (info.status == 1 && static_cast<std::size_t>(info.bytes) == bytes && firstBytes > 0) {
        t.total = std::chrono::duration<double>(end - start).count();
        t.stream = std::chrono::duration<double>(end - first).count();
        t.streamBytes = bytes - static_cast<std::size_t>(firstBytes);
      }
    }
  }
  rcv->Close(false);
  rcv->Release();
  conn.Close();
  sim.stop();
  return t;
}

}  // namespace

int main() {
  TempDir config;
  setenv("XDG_CONFIG_HOME", config.str().c_str(), 1);
  bool ok = true;
  std::printf("%-8s %-6s %-9s %-8s %-9s %-12s %s\n", "rate", "block", "bytes", "line s", "total s",
              "total share", "stream share");
  for (int rate : {115200, 460800}) {
    const std::size_t bytes = static_cast<std::size_t>(rate) / 10 * 8;  // about 8 s of line time
    for (std::uint32_t block : {512u, 2048u}) {
      const double line = static_cast<double>(bytes) * 10 / rate;
      const Timing t = download(rate, block, bytes);
      ok = ok && t.total > 0;
      const double streamLine = static_cast<double>(t.streamBytes) * 10 / rate;
      std::printf("%-8d %-6u %-9zu %-8.3f %-9.3f %-12s %.1f %%\n", rate, block, bytes, line, t.total,
                  (std::to_string(t.total > 0 ? 100 * line / t.total : 0.0).substr(0, 4) + " %").c_str(),
                  t.stream > 0 ? 100 * streamLine / t.stream : 0.0);
    }
  }
  return ok ? 0 : 1;
}
