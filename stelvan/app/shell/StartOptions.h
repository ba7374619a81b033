#pragma once
// The program's command line: --receiver, --server, --user, --password, --help, and the hidden
// --screenshot DIR used by ./dev screenshot.
#include <string>

#include "linkpanel/Linkpanel.h"

struct StartOptions {
  bool help = false;
  std::string receiver, server, user, password;
  std::string screenshotDir;
  std::string traceFile;  // the traffic log for this run
  std::string error;      // not empty when the command line is wrong

  static StartOptions Parse(int argc, const char* const* argv);
  static const char* HelpText();
  // The connect dialog's result these options stand for; false without --receiver.
  bool ConnectionInfo(CONNECTION_INFO& info) const;
};
