// stelvan-log: the stream logger without a window, for base stations that log for months.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>

#include "LogOptions.h"
#include "LogRun.h"
#include "NtripOut.h"

namespace {
std::atomic<bool> g_stop{false};
void onSignal(int) {
  g_stop = true;
}
}  // namespace

int main(int argc, char** argv) {
  stelvanlog::Options o;
  std::string error;
  stelvanlog::NtripOut ntripOut;
  if (!ntripOut.TakeOptions(argc, argv, error)) return std::fprintf(stderr, "stelvan-log: %s\n", error.c_str()), 2;
  const int parsed = stelvanlog::parse(argc, argv, o, error);
  if (parsed == 1) return std::fputs(stelvanlog::usage().c_str(), stdout), std::fputs(stelvanlog::NtripOut::usage(), stdout), 0;
  if (parsed != 0) {
    std::fprintf(stderr, "stelvan-log: %s (see stelvan-log --help)\n", error.c_str());
    return 2;
  }
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  // A file size limit makes a write fail (reported, retried) instead of killing us.
  std::signal(SIGXFSZ, SIG_IGN);
  stelvanlog::Journal journal;
  return stelvanlog::RunLogger(o, journal, g_stop, [&](Tellus::IReceiverModel& model, bool attach) {
    if (attach) ntripOut.Start(model);
    else ntripOut.Stop(model);
  });
}
