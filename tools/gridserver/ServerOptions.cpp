#include "gridserver/ServerOptions.h"

#include <cstdlib>

namespace gridserver {
namespace {

bool parsePort(const std::string& text, unsigned& port) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v > 65535) return false;
  port = static_cast<unsigned>(v);
  return true;
}

// "ADDRESS:PORT", "ADDRESS" (port 8000) or ":PORT".
bool parseListen(const std::string& text, ServerOptions& out) {
  const auto colon = text.rfind(':');
  if (colon == std::string::npos) {
    out.host = text;
    return !text.empty();
  }
  if (colon > 0) out.host = text.substr(0, colon);
  return parsePort(text.substr(colon + 1), out.port);
}

bool isNumberOption(const std::string& a) {
  return a == "--login-timeout" || a == "--max-connections" || a == "--max-pending" ||
         a == "--login-failures" || a == "--lockout-minutes" || a == "--login-delay" ||
         a == "--quota-messages" || a == "--quota-mb";
}

// Every one of them wants a positive number.
bool numberOption(const std::string& a, const std::string& text, ServerOptions& out) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v == 0 || v > 1000000000ul) return false;
  const auto n = static_cast<unsigned>(v);
  if (a == "--login-timeout") out.limits.loginSeconds = n;
  if (a == "--max-connections") out.limits.maxConnections = n;
  if (a == "--max-pending") out.limits.maxPendingPerAddress = n;
  if (a == "--login-failures") out.throttle.failures = n;
  if (a == "--lockout-minutes") out.throttle.lockMinutes = n;
  if (a == "--login-delay") out.throttle.delayMs = n;
  if (a == "--quota-messages") out.quotaMessages = n;
  if (a == "--quota-mb") out.quotaMegabytes = n;
  return true;
}

}  // namespace

const char* serverHelpText() {
  return "usage: gridserver --users FILE --store DIR --receiver RECEIVER [--receiver ...]\n"
         "       gridserver --users FILE --add-user NAME\n"
         "                  [--listen ADDRESS:PORT] [--stall-timeout SECONDS]\n"
         "  --listen ADDRESS:PORT  where to listen (default 0.0.0.0:8000; port 0 picks a free one)\n"
         "  --users FILE           one \"name password-hash\" per line; must be readable by its owner only\n"
         "  --add-user NAME        asks for NAME's password twice (or reads one line from standard\n"
         "                         input), stores its hash in the users file and exits\n"
         "  --store DIR            messages and uploaded files; kept across restarts\n"
         "  --receiver RECEIVER    a receiver string clients may open (COM/dev/ttyUSB0:115200:1, ...)\n"
         "  --stall-timeout S      drop a client that leaves a packet half sent for S seconds (30)\n"
         "  --allow-watch          lets a user watch the data of a receiver another holds, read-only\n"
         "                         (open it as \"RECEIVER Watch\")\n"
         "  --tls-cert FILE        serve TLS on the --listen port with this PEM certificate (chain)\n"
         "  --tls-key FILE         ... and its PEM private key; clients then must use TLS\n"
         "  --login-timeout S      drop a connection that has not logged in after S seconds (15)\n"
         "  --max-connections N    connections kept at once (512)\n"
         "  --max-pending N        connections from one address not yet logged in (64); at the\n"
         "                         cap the oldest of them is dropped\n"
         "  --login-failures N     failed logins in a row that lock a user or an address out (10)\n"
         "  --lockout-minutes M    how long a lock-out lasts (15)\n"
         "  --login-delay MS       wait before refusing a login, doubling per failure (250)\n"
         "  --quota-messages N     messages one user's mailbox holds (1000)\n"
         "  --quota-mb N           megabytes one user's mailbox holds (256)\n"
         "Logs one line per session event to standard error; SIGTERM tells every client and exits.\n";
}

bool parseServerOptions(int argc, char** argv, ServerOptions& out, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const auto value = [&](std::string& into) {
      if (i + 1 >= argc) {
        error = a + " needs a value";
        return false;
      }
      into = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      out.help = true;
      return true;
    } else if (a == "--listen") {
      if (!value(v)) return false;
      if (!parseListen(v, out)) {
        error = "bad --listen value: " + v;
        return false;
      }
    } else if (a == "--allow-watch") {
      out.allowWatch = true;
    } else if (a == "--tls-cert") {
      if (!value(out.tlsCert)) return false;
    } else if (a == "--tls-key") {
      if (!value(out.tlsKey)) return false;
    } else if (a == "--add-user") {
      if (!value(out.addUser)) return false;
    } else if (a == "--users") {
      if (!value(out.usersFile)) return false;
    } else if (a == "--store") {
      if (!value(out.storeDir)) return false;
    } else if (a == "--receiver") {
      if (!value(v)) return false;
      out.receivers.push_back(v);
    } else if (isNumberOption(a)) {
      if (!value(v) || !numberOption(a, v, out)) {
        error = "bad " + a + " value";
        return false;
      }
    } else if (a == "--stall-timeout") {
      if (!value(v) || !parsePort(v, out.stallSeconds) || out.stallSeconds == 0) {
        error = "bad --stall-timeout value";
        return false;
      }
    } else {
      error = "unknown option: " + a;
      return false;
    }
  }
  if (!out.addUser.empty()) {
    if (out.usersFile.empty()) error = "--add-user needs --users FILE";
    return error.empty();
  }
  if (out.usersFile.empty() || out.storeDir.empty()) {
    error = "--users and --store are required";
    return false;
  }
  if (out.tlsCert.empty() != out.tlsKey.empty()) {
    error = "--tls-cert and --tls-key go together";
    return false;
  }
  if (out.receivers.empty()) {
    error = "at least one --receiver is required";
    return false;
  }
  for (const std::string& r : out.receivers)
    if (r.find(',') != std::string::npos) {
      error = "a receiver string cannot hold a comma: " + r;
      return false;
    }
  return true;
}

}  // namespace gridserver
