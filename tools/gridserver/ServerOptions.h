#pragma once
// gridserver's command line.
#include <string>
#include <vector>

namespace gridserver {

struct ServerOptions {
  std::string host = "0.0.0.0";
  unsigned port = 8000;
  std::string usersFile;
  std::string storeDir;
  std::vector<std::string> receivers;
  // A client that leaves a packet half sent for this long loses its connection.
  unsigned stallSeconds = 30;
  bool help = false;
};

// False with the reason in error for a command line that does not make sense.
bool parseServerOptions(int argc, char** argv, ServerOptions& out, std::string& error);
const char* serverHelpText();

}  // namespace gridserver
