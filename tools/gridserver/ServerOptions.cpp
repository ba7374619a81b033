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

}  // namespace

const char* serverHelpText() {
  return "usage: gridserver --users FILE --store DIR --receiver RECEIVER [--receiver ...]\n"
         "                  [--listen ADDRESS:PORT] [--stall-timeout SECONDS]\n"
         "  --listen ADDRESS:PORT  where to listen (default 0.0.0.0:8000; port 0 picks a free one)\n"
         "  --users FILE           one \"name password\" per line; must be readable by its owner only\n"
         "  --store DIR            messages and uploaded files; kept across restarts\n"
         "  --receiver RECEIVER    a receiver string clients may open (COM/dev/ttyUSB0:115200:1, ...)\n"
         "  --stall-timeout S      drop a client that leaves a packet half sent for S seconds (30)\n"
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
    } else if (a == "--users") {
      if (!value(out.usersFile)) return false;
    } else if (a == "--store") {
      if (!value(out.storeDir)) return false;
    } else if (a == "--receiver") {
      if (!value(v)) return false;
      out.receivers.push_back(v);
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
  if (out.usersFile.empty() || out.storeDir.empty()) {
    error = "--users and --store are required";
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
