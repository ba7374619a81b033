#include "list/ServerList.h"

#include <sstream>

#include "gridlink/CProfile.h"

namespace Kestrel {
namespace {

std::string valueName(std::size_t index) {
  return "Server" + std::to_string(index);
}

}  // namespace

std::vector<ServerEntry> ReadServerList(CProfile& settings) {
  std::vector<ServerEntry> entries;
  for (std::size_t i = 0;; ++i) {
    std::istringstream words(settings.Read("", valueName(i).c_str(), ""));
    ServerEntry entry;
    if (!(words >> entry.server >> entry.user)) break;
    words >> entry.password;
    entry.tls = settings.Read("TLS", entry.server.c_str(), false);
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string FormatServerEntry(const ServerEntry& entry) {
  if (entry.IsLocal()) return std::string(kLocalServer) + kLocalServerLogin;
  return entry.server + " " + entry.user + " " + entry.password;
}

void WriteServerList(CProfile& settings, const std::vector<ServerEntry>& entries) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    settings.Write("", valueName(i).c_str(), FormatServerEntry(entries[i]).c_str());
    if (!entries[i].IsLocal()) settings.Write("TLS", entries[i].server.c_str(), entries[i].tls);
  }
  settings.Write("", valueName(entries.size()).c_str(), "");
}

const ServerEntry* FindServer(const std::vector<ServerEntry>& entries, const std::string& server) {
  for (const ServerEntry& entry : entries)
    if (entry.server == server) return &entry;
  return nullptr;
}

std::string ReadLastServer(CProfile& settings) {
  return settings.Read("", "LastServer", "");
}
void WriteLastServer(CProfile& settings, const std::string& server) {
  settings.Write("", "LastServer", server.c_str());
}
std::string ReadLastRcv(CProfile& settings) {
  return settings.Read("", "LastRcv", "");
}

}  // namespace Kestrel
