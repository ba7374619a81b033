// rcvsim: serves one simulated receiver until SIGTERM, SIGINT or end of stdin.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Options.h"
#include "Simulator.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  rcvsim::Options options;
  bool help = false;
  std::string error;
  if (!rcvsim::parseOptions(args, options, help, error)) {
    std::fprintf(stderr, "rcvsim: %s\n(see rcvsim --help)\n", error.c_str());
    return 2;
  }
  if (help) {
    std::fputs(rcvsim::helpText(), stdout);
    return 0;
  }
  // Signals are taken synchronously below, not by a handler on some thread.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  rcvsim::Simulator sim(options);
  if (!sim.start(error)) {
    std::fprintf(stderr, "rcvsim: %s\n", error.c_str());
    return 1;
  }
  if (!sim.ptyPath().empty()) std::printf("pty %s\n", sim.ptyPath().c_str());
  if (sim.tcpPort()) std::printf("tcp %d\n", sim.tcpPort());
  if (!sim.portBPath().empty()) std::printf("ptyb %s\n", sim.portBPath().c_str());
  if (sim.portBTcpPort()) std::printf("tcpb %d\n", sim.portBTcpPort());
  std::printf("files %s\n", sim.filesDir().c_str());
  std::fflush(stdout);

  bool stdinOpen = true;
  while (true) {
    const timespec zero{0, 0};
    if (sigtimedwait(&stopSignals, nullptr, &zero) > 0) break;
    if (stdinOpen) {
      pollfd pfd{0, POLLIN, 0};
      if (::poll(&pfd, 1, 100) > 0) {
        char buf[256];
        const ssize_t n = ::read(0, buf, sizeof buf);
        if (n <= 0) break;  // end of standard input
      }
      if (pfd.revents & (POLLHUP | POLLNVAL)) stdinOpen = false;
    } else {
      ::poll(nullptr, 0, 100);
    }
  }
  sim.stop();
  return 0;
}
