#pragma once
// The user's list of servers as kept in the connection-dialog settings: values "Server0",
// "Server1", ... in the empty section, each "server user password". Plain code, any thread
// (each call opens and closes the store).
#include <string>
#include <vector>

class CProfile;

namespace Kestrel {

inline constexpr const char* kDialogSettingsKey = "Software\\Norhaven GNSS\\Fieldmesh\\GridnetUI";
inline constexpr const char* kLocalServer = "LServer";
// The local server is always stored with this fixed login, whatever the dialog showed.
inline constexpr const char* kLocalServerLogin = " Kelmo  Kelmo";

struct ServerEntry {
  std::string server;
  std::string user;
  std::string password;
  // TLS to this server: kept beside the list, in section "TLS" under the server's name, where
  // the connection reads it.
  bool tls = false;

  bool IsLocal() const { return server == kLocalServer; }
  bool operator==(const ServerEntry&) const = default;
};

// Reads "Server0", "Server1", ... and stops at the first value that does not hold at least
// two words (server and user; the password may be missing).
std::vector<ServerEntry> ReadServerList(CProfile& settings);
// Writes the entries as "Server0".."Server<n-1>" and blanks "Server<n>", so that an entry
// deleted from the end does not come back on the next read.
void WriteServerList(CProfile& settings, const std::vector<ServerEntry>& entries);
// The stored text of one entry.
std::string FormatServerEntry(const ServerEntry& entry);
// Null when no entry has exactly that server name (case matters).
const ServerEntry* FindServer(const std::vector<ServerEntry>& entries, const std::string& server);

std::string ReadLastServer(CProfile& settings);
void WriteLastServer(CProfile& settings, const std::string& server);
std::string ReadLastRcv(CProfile& settings);

}  // namespace Kestrel
