#pragma once
// Linkpanel: the server list and the connection dialogs.
//
// Every function runs on the GUI thread of a QApplication (the dialogs are
// modal Qt dialogs). The server list lives in the connection-dialog settings
// ("Software\Norhaven GNSS\Fieldmesh\GridnetUI").
#include <string>
#include <vector>

#define LINKPANEL_API __attribute__((visibility("default")))

// The user's choice of server and receivers. Belongs to the caller; the
// dialogs and ParseCommandLine fill it.
struct CONNECTION_INFO {
  std::vector<std::string> receivers;  // receiver strings, in the order chosen
  std::string server;
  std::string user;
  std::string password;
  bool manualModeOnly = false;
};

namespace Kestrel {

// "Select Server and Receivers" (dlg102); true when closed with OK.
LINKPANEL_API bool GetServerAndRcvList(CONNECTION_INFO& info);
// "Select Server" (dlg131); true when closed with OK.
LINKPANEL_API bool GetServer(CONNECTION_INFO& info);
// The first stored entry whose server equals `server` exactly (case matters).
LINKPANEL_API bool GetServerInfo(const std::string& server, std::string& user, std::string& password);
// Empties `servers`, then appends every stored server in stored order.
LINKPANEL_API void GetAllServers(std::vector<std::string>& servers);
// The "LastServer" value, empty when none.
LINKPANEL_API std::string GetLastServer();
// Fills `info` from "server rcv1,rcv2, -l user -p password"; returns the
// number of characters consumed, 0 when nothing was read.
LINKPANEL_API int ParseCommandLine(std::string& text, CONNECTION_INFO& info);

LINKPANEL_API const char* LinkpanelVersion();

}  // namespace Kestrel
