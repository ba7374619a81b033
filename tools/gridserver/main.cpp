// gridserver: serves receivers and messages to several users over TCP.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "gridserver/AddUser.h"
#include "gridserver/GridServer.h"
#include "gridserver/ServerLog.h"

int main(int argc, char** argv) {
  gridserver::ServerOptions options;
  std::string error;
  if (!gridserver::parseServerOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "gridserver: %s\n%s", error.c_str(), gridserver::serverHelpText());
    return 2;
  }
  if (options.help) {
    std::fputs(gridserver::serverHelpText(), stdout);
    return 0;
  }
  umask(077);  // the store, the users file: nothing the server writes is for other users
  if (!options.addUser.empty()) return gridserver::RunAddUser(options.usersFile, options.addUser);
  // Each connection costs a descriptor: take all the system allows (the caps stay below it).
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
  // Every thread inherits the mask: only the wait below takes these signals.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  const std::string listen = options.host;
  gridserver::GridServer server(std::move(options));
  if (!server.Start(error)) {
    std::fprintf(stderr, "gridserver: %s\n", error.c_str());
    return 1;
  }
  gridserver::logEvent("listening on " + listen + ":" + std::to_string(server.Port()));
  int signal = -1;
  while (signal < 0) {
    const timespec slice{1, 0};
    signal = sigtimedwait(&stopSignals, nullptr, &slice);
  }
  gridserver::logEvent(signal == SIGTERM ? "SIGTERM received" : "interrupted");
  const bool clean = server.Shutdown(8000);
  gridserver::logEvent("stopped");
  if (!clean) std::_Exit(0);  // a session still waits on a receiver: do not wait for it
  return 0;
}
