#pragma once
// gridserver's command line.
#include <string>
#include <vector>

namespace gridserver {

// How many connections the server keeps, and for how long one may wait to log in.
struct ConnectionLimits {
  unsigned loginSeconds = 15;
  unsigned maxConnections = 512;
  // Connections from one address that have not logged in yet; at the cap the oldest goes.
  unsigned maxPendingPerAddress = 64;
};

// Failed logins: each failure of a user or an address doubles the wait before the refusal
// (from delayMs, at most maxDelayMs); `failures` of them in a row lock the user or the
// address out for lockMinutes.
struct LoginThrottle {
  unsigned delayMs = 250;
  unsigned maxDelayMs = 4000;
  unsigned failures = 10;
  unsigned lockMinutes = 15;
};

struct ServerOptions {
  std::string host = "0.0.0.0";
  unsigned port = 8000;
  std::string usersFile;
  std::string storeDir;
  std::vector<std::string> receivers;
  // A client that leaves a packet half sent for this long loses its connection.
  unsigned stallSeconds = 30;
  ConnectionLimits limits;
  LoginThrottle throttle;
  unsigned quotaMessages = 1000;
  unsigned quotaMegabytes = 256;
  bool allowWatch = false;
  // TLS on the listening port when both are given (PEM files).
  std::string tlsCert, tlsKey;
  bool help = false;
  // --add-user NAME: set NAME's password in the users file and exit.
  std::string addUser;
};

// False with the reason in error for a command line that does not make sense.
bool parseServerOptions(int argc, char** argv, ServerOptions& out, std::string& error);
const char* serverHelpText();

}  // namespace gridserver
