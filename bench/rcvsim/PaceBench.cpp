// Line pacing of the simulator: time to download a file over the pseudo-terminal
// unpaced (baseline) and paced at 115200 bit/s. The paced run should take about
// bytes x 10 / 115200 seconds; the ratio shows how much slower it is than the
// bare pty.
#include <chrono>
#include <cstdio>
#include <fstream>

#include "../../tests/rcvsim/SimClient.h"
#include "../../tests/rcvsim/TransferClient.h"
#include "TempDir.h"
#include "rcvsim/Simulator.h"

namespace {

double downloadSeconds(bool pace, std::size_t bytes) {
  TempDir dir;
  std::ofstream(dir.path() / "f", std::ios::binary) << std::string(bytes, 'z');
  rcvsim::Options o;
  o.pty = true;
  o.pace = pace;
  o.filesDir = dir.str();
  rcvsim::Simulator sim(o);
  std::string error;
  if (!sim.start(error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return -1;
  }
  simtest::Link link;
  if (!link.openPty(sim.ptyPath())) return -1;
  const auto start = std::chrono::steady_clock::now();
  if (link.exchange("%WL%get,/log/f:{300,2048},0", 5000).substr(0, 2) != "RE") return -1;
  const simtest::DownloadResult r = simtest::download(link, 2048, 60000);
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return r.ok && r.data.size() == bytes ? secs : -1;
}

}  // namespace

int main() {
  const std::size_t bytes = 40 * 1024;
  const double base = downloadSeconds(false, bytes);
  const double paced = downloadSeconds(true, bytes);
  std::printf("download of %zu bytes over the pty\n", bytes);
  std::printf("baseline (unpaced): %.3f s\n", base);
  std::printf("paced at 115200:    %.3f s (line time %.3f s)\n", paced, bytes * 10.0 / 115200);
  std::printf("ratio paced/baseline: %.1f\n", base > 0 ? paced / base : 0.0);
  return base > 0 && paced > 0 ? 0 : 1;
}
