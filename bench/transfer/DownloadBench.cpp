// Receiver file download throughput through the whole client (local server, transfer thread,
// connection thread, file writes) with the simulator pacing its output at the line rate on a
// pseudo-terminal. The baseline is the line itself: the time the file's bytes take at 10 bits
// per byte. The share of the line rate is baseline / measured (target: at least 90 %).
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

// Seconds for one download, or a negative number when it failed.
double downloadSeconds(int rate, std::uint32_t block, std::size_t bytes) {
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
  if (!sim.start(error)) return std::fprintf(stderr, "%s\n", error.c_str()), -1;
  CConnection conn;
  if (!conn.Open("", "bench", "", "bench")) return -1;
  CReceiver* rcv = TSelfCreator<CReceiver>::Create();
  rcv->AddRef();
  double secs = -1;
  const std::string rcvString = "COM" + sim.ptyPath() + ":" + std::to_string(rate) + ":1";
  const std::string local = (out.path() / "bench").string();
  if (rcv->Open(&conn, rcvString.c_str(), 0)) {
    const auto start = std::chrono::steady_clock::now();
    if (rcv->DownloadFile(local.c_str(), "bench", block)) {
      DOWNLOADINFO info{};
      for (int i = 0; i < 60000 && rcv->GetDownloadStatus(info) == 0; ++i) Platform::Sleep(5);
      secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (info.status != 1 || static_cast<std::size_t>(info.bytes) != bytes) secs = -1;
    }
  }
  rcv->Close(false);
  rcv->Release();
  conn.Close();
  sim.stop();
  return secs;
}

}  // namespace

int main() {
  TempDir config;
  setenv("XDG_CONFIG_HOME", config.str().c_str(), 1);
  bool ok = true;
  std::printf("%-8s %-6s %-9s %-10s %-10s %s\n", "rate", "block", "bytes", "line s", "measured s", "share");
  for (int rate : {115200, 460800}) {
    const std::size_t bytes = static_cast<std::size_t>(rate) / 10 * 8;  // about 8 s of line time
    for (std::uint32_t block : {512u, 2048u}) {
      const double line = static_cast<double>(bytes) * 10 / rate;
      const double secs = downloadSeconds(rate, block, bytes);
      ok = ok && secs > 0;
      std::printf("%-8d %-6u %-9zu %-10.3f %-10.3f %.1f %%\n", rate, block, bytes, line, secs,
                  secs > 0 ? 100 * line / secs : 0.0);
    }
  }
  return ok ? 0 : 1;
}
