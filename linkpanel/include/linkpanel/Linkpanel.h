#pragma once
// Linkpanel: the server list and the connection dialogs.
//
// The two dialog functions run on the GUI thread of a QApplication: each shows
// a normal modal QDialog (exec) over the active window and returns false at
// once when there is no QApplication or when called from another thread. The
// other functions only read the stored list and may run on any thread.
// The server list lives in the connection-dialog settings
// ("Software\Norhaven GNSS\Fieldmesh\GridnetUI"); the dialogs write it back
// when they close, OK or Cancel. A dialog that asks a remote server for its
// receivers does so on a worker thread, so it stays live meanwhile.
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

// "Select Server and Receivers" (dlg102); true when closed with OK, and then
// `info` holds the choice. Cancel leaves `info` as it was.
LINKPANEL_API bool GetServerAndRcvList(CONNECTION_INFO& info);
// "Select Server" (dlg131); true when closed with OK.
LINKPANEL_API bool GetServer(CONNECTION_INFO& info);
// The first stored entry whose server equals `server` exactly (case matters).
LINKPANEL_API bool GetServerInfo(const std::string& server, std::string& user, std::string& password);
// Empties `servers`, then appends every stored server in stored order.
LINKPANEL_API void GetAllServers(std::vector<std::string>& servers);
// The "LastServer" value, empty when none.
LINKPANEL_API std::string GetLastServer();
// Fills `info` from "server rcv1,rcv2, -l user -p password" (receivers each
// ended by ","; text after the last "," is one more receiver). Trims `text`.
// Returns the number of characters of the trimmed text consumed; 0 (and
// `info` emptied) for an empty text or one that begins with "-" or "/".
// A server followed directly by an option stores nothing and returns the
// length of the server word and its blanks.
LINKPANEL_API int ParseCommandLine(std::string& text, CONNECTION_INFO& info);

LINKPANEL_API const char* LinkpanelVersion();

// A CConnection TlsTrustCallback for programs with windows: asks the user, in a dialog on
// the GUI thread (the calling thread waits), whether to trust a server certificate shown by
// its SHA-256 fingerprint. False without a QApplication.
LINKPANEL_API bool AskTlsTrust(const char* server, const char* fingerprint, void* param);

}  // namespace Kestrel
