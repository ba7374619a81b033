#include "linkpanel/Linkpanel.h"

// Placeholders until the dialogs land: nothing stored, nothing chosen.
namespace Kestrel {
bool GetServerAndRcvList(CONNECTION_INFO&) { return false; }
bool GetServer(CONNECTION_INFO&) { return false; }
bool GetServerInfo(const std::string&, std::string&, std::string&) { return false; }
void GetAllServers(std::vector<std::string>& servers) { servers.clear(); }
std::string GetLastServer() { return {}; }
int ParseCommandLine(std::string&, CONNECTION_INFO& info) {
  info = CONNECTION_INFO{};
  return 0;
}
const char* LinkpanelVersion() { return "0.1.0"; }
}  // namespace Kestrel
