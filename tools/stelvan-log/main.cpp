// stelvan-log: the stream logger without a window, for base stations that log for weeks.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "LogOptions.h"
#include "ReceiverModel.h"
#include "logger/ClosedFileActions.h"
#include "logger/GnssLogSession.h"
#include "logger/TLRcvModel.h"

namespace {

std::atomic<bool> g_stop{false};
void onSignal(int) { g_stop = true; }

bool sleepUnlessStopped(int ms, std::chrono::steady_clock::time_point deadline) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    if (g_stop || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  stelvanlog::Options o;
  std::string error;
  const int parsed = stelvanlog::parse(argc, argv, o, error);
  if (parsed == 1) return std::fputs(stelvanlog::usage(), stdout), 0;
  if (parsed != 0) return std::fprintf(stderr, "stelvan-log: %s\n%s", error.c_str(), stelvanlog::usage()), 2;

  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  engine::Ref<Tellus::ReceiverModel> model{Tellus::ReceiverModel::create()};
  const std::string connection = o.port + ":" + std::to_string(o.rate);
  if (!model->connect(connection, nullptr)) {
    std::fprintf(stderr, "stelvan-log: cannot connect to %s: %s\n", connection.c_str(), model->lastError().c_str());
    return 2;
  }
  Gnss::TLRcvModel receiver(model.get());
  Gnss::GnssLogSession session(receiver, o.namer, o.log);
  std::mutex out;
  session.setMessageCallback([&](const std::string& line) {
    std::lock_guard l(out);
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
  });
  if (!o.onClose.empty())
    session.setFileClosedCallback([&](const std::string& file) {
      std::vector<std::string> args = {o.onClose, file};
      if (o.hasOnCloseArg) args.push_back(o.onCloseArg);
      std::string why;
      const int code = Gnss::RunProgram(args, "", why);
      if (code != 0) {
        std::lock_guard l(out);
        std::fprintf(stderr, "stelvan-log: %s for %s: %s\n", o.onClose.c_str(), file.c_str(),
                     code < 0 ? why.c_str() : ("exit code " + std::to_string(code)).c_str());
      }
    });
  if (!session.Start()) {
    std::fprintf(stderr, "stelvan-log: the receiver is not ready\n");
    return 2;
  }
  const auto deadline = o.seconds > 0 ? std::chrono::steady_clock::now() + std::chrono::seconds(o.seconds)
                                      : std::chrono::steady_clock::time_point::max();
  while (sleepUnlessStopped(200, deadline)) {
    if (model->isConnected()) continue;
    // The line dropped: close what we have, then come back as the receiver does.
    std::fprintf(stderr, "stelvan-log: receiver connection lost (%s); reconnecting\n", model->lastError().c_str());
    session.Stop();
    while (!model->reconnect(nullptr))
      if (!sleepUnlessStopped(1000, deadline)) break;
    if (!model->isConnected()) break;
    std::fprintf(stderr, "stelvan-log: reconnected; logging again\n");
    session.Start();
  }
  session.Stop();
  model->disconnect();
  return 0;
}
