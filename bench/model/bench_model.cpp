// The receiver model's reading thread plus analysis at the simulator's
// fastest output over TCP on 127.0.0.1: bytes per second and the CPU share
// of the model's threads, against the CPU the same bytes cost when an
// analysis decodes them from memory (the ratio is what the hand-over from
// the reading thread costs). The simulator runs in a child process so that
// this process's CPU time is the model's alone.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "ReceiverModel.h"
#include "decode/engine/C_DataAnalyser.h"
#include "decode/engine/GnssMsgStorage.h"
#include "rcvsim/Simulator.h"

namespace {

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Tap : Tellus::IStreamListener, Tellus::IGnssMessageListener {
  std::mutex m;
  std::string bytes;
  std::atomic<std::size_t> messages{0};
  void onData(const std::uint8_t* b, std::size_t n) override {
    std::lock_guard<std::mutex> g(m);
    bytes.append(reinterpret_cast<const char*>(b), n);
  }
  void onMessage(engine::IMessageGNSS*) override { ++messages; }
};

struct Count : Tellus::IGnssMessageListener {
  std::atomic<std::size_t> n{0};
  void onMessage(engine::IMessageGNSS*) override { ++n; }
};

// Child: the simulator on TCP; writes its port to `fd`, serves until killed.
[[noreturn]] void serve(int fd) {
  rcvsim::Options o;
  o.tcp = "127.0.0.1:0";
  rcvsim::Simulator sim(o);
  std::string error;
  int port = sim.start(error) ? sim.tcpPort() : 0;
  (void)!write(fd, &port, sizeof port);
  close(fd);
  for (;;) pause();
}

}  // namespace

int main() {
  const double seconds = std::atof(std::getenv("BENCH_MODEL_SECONDS") ? std::getenv("BENCH_MODEL_SECONDS") : "5");
  int pipeFd[2];
  if (pipe(pipeFd) != 0) return 1;
  const pid_t child = fork();
  if (child == 0) serve(pipeFd[1]);
  close(pipeFd[1]);
  int port = 0;
  if (read(pipeFd[0], &port, sizeof port) != sizeof port || port == 0) {
    std::printf("bench_model: the simulator did not start\n");
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return 1;
  }
  close(pipeFd[0]);

  int rc = 0;
  {
    engine::Ref<Tellus::ReceiverModel> model{Tellus::ReceiverModel::create()};
    if (!model->connect("TCP:127.0.0.1:" + std::to_string(port), nullptr)) {
      std::printf("bench_model: connect failed: %s\n", model->lastError().c_str());
      rc = 1;
    } else {
      std::string reply;
      // Everything the simulator can send, as often as it can (every 0.1 s).
      const char* lists[] = {"/msg/def:0.1", "/msg/nmea/GGA:0.1", "/msg/nmea/GSV:0.1", "/msg/nmea/RMC:0.1",
                             "/msg/rtcm3/1004:0.1", "/msg/cmr/0:0.1"};
      for (const char* l : lists) model->execute(std::string("em,/cur/term,") + l, reply, 3000);
      Tap tap;
      model->addStreamListener(&tap);
      model->addMessageListener(&tap, "", "");
      std::this_thread::sleep_for(std::chrono::milliseconds(500));  // settle
      {
        std::lock_guard<std::mutex> g(tap.m);
        tap.bytes.clear();
      }
      const std::size_t before = tap.messages.load();
      const double c0 = cpuSeconds(), t0 = now();
      std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
      const double cpu = cpuSeconds() - c0, wall = now() - t0;
      const std::size_t live = tap.messages.load() - before;
      model->removeMessageListener(&tap);
      model->removeStreamListener(&tap);
      model->disconnect();
      std::string bytes;
      {
        std::lock_guard<std::mutex> g(tap.m);
        bytes = tap.bytes;
      }
      // The same bytes decoded from memory.
      engine::Ref<Tellus::GnssMsgStorage> storage(new engine::TUnknown<Tellus::GnssMsgStorage>());
      Count count;
      storage->addMessageListener(&count, "", "");
      engine::Ref<engine::C_DataAnalyser> da(new engine::TUnknown<engine::C_DataAnalyser>());
      da->init(storage.get(), nullptr);
      da->getTuning()->setNestingLimit(0);
      auto* pm = da->getParserManager();
      for (std::size_t i = 0; i < pm->parserCount(); ++i) pm->setAcceptUnknown(i, true);
      const int rounds = 20;
      const double m0 = cpuSeconds(), w0 = now();
      for (int r = 0; r < rounds; ++r) da->write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      da->flush();
      da->waitProcessed();
      const double memCpu = (cpuSeconds() - m0) / rounds, memWall = (now() - w0) / rounds;
      da->stop();
      storage->removeMessageListener(&count);
      const double kb = static_cast<double>(bytes.size()) / 1024.0;
      std::printf("live:   %.1f s, %zu bytes (%.1f KB/s), %zu messages, CPU %.3f s = %.2f%% of one core\n", wall,
                  bytes.size(), kb / wall, live, cpu, 100.0 * cpu / wall);
      std::printf("memory: the same bytes decoded in %.4f s CPU (%.1f MB/s), %zu messages per round\n", memCpu,
                  static_cast<double>(bytes.size()) / 1e6 / std::max(memWall, 1e-9), count.n.load() / rounds);
      std::printf("CPU per KB: live %.1f us, memory %.1f us, ratio live/memory %.2f\n", 1e6 * cpu / kb,
                  1e6 * memCpu / kb, memCpu > 0 ? cpu / memCpu : 0.0);
      if (bytes.empty()) rc = 1;
    }
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  return rc;
}
