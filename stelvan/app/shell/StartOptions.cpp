#include "shell/StartOptions.h"

#include <cstring>

StartOptions StartOptions::Parse(int argc, const char* const* argv) {
  StartOptions o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string* value = nullptr;
    if (arg == "--help" || arg == "-h")
      o.help = true;
    else if (arg == "--receiver")
      value = &o.receiver;
    else if (arg == "--server")
      value = &o.server;
    else if (arg == "--user")
      value = &o.user;
    else if (arg == "--password")
      value = &o.password;
    else if (arg == "--trace")
      value = &o.traceFile;
    else if (arg == "--screenshot")
      value = &o.screenshotDir;
    else if (arg.rfind("-", 0) == 0)
      o.error = "unknown option " + arg;
    // Anything else (a script named by the desktop's open command) is left alone.
    if (value) {
      if (i + 1 >= argc) {
        o.error = arg + " needs a value";
        break;
      }
      *value = argv[++i];
    }
  }
  if (o.error.empty() && o.receiver.empty() && (!o.server.empty() || !o.user.empty() || !o.password.empty()))
    o.error = "--server, --user and --password need --receiver";
  return o;
}

const char* StartOptions::HelpText() {
  return "Usage: stelvan [--receiver RECEIVER [--server HOST[:PORT] --user USER --password PASSWORD]]\n"
         "\n"
         "Without options the program opens the connection dialog.\n"
         "  --receiver RECEIVER  open this receiver at start, on the local server unless --server\n"
         "                       is given (e.g. COM/dev/ttyUSB0:115200:1)\n"
         "  --server HOST[:PORT] open it on this remote server instead\n"
         "  --user USER          user name on the remote server\n"
         "  --password PASSWORD  password on the remote server\n"
         "  --trace FILE         record every line sent to the receiver and every reply and message\n"
         "                       received in FILE (ms time stamps; binary as hex; FILE.1 the older part)\n"
         "  --help               show this text\n";
}

bool StartOptions::ConnectionInfo(CONNECTION_INFO& info) const {
  if (receiver.empty()) return false;
  info = CONNECTION_INFO{};
  info.receivers = {receiver};
  info.server = server.empty() ? "LServer" : server;
  info.user = user;
  info.password = password;
  info.manualModeOnly = false;
  return true;
}
