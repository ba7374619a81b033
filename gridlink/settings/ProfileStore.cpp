#include "settings/ProfileStore.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace ProfileStore {

std::string configRoot() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg) return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.config";
}

std::string iniPathForKey(const std::string& keyName) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(keyName);
  while (std::getline(in, part, '\\'))
    if (!part.empty() && part != "." && part != ".." && part.find('/') == std::string::npos) parts.push_back(part);
  if (!parts.empty() && parts.front() == "Software" && parts.size() > 1) parts.erase(parts.begin());
  if (parts.empty()) parts.push_back("default");
  std::string path = configRoot();
  for (const auto& p : parts) path += "/" + p;
  return path + ".ini";
}

std::string programName() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string exe = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string("program");
  const auto slash = exe.rfind('/');
  if (slash != std::string::npos) exe.erase(0, slash + 1);
  const auto dot = exe.rfind('.');
  if (dot != std::string::npos && dot > 0) exe.erase(dot);
  return exe;
}

}  // namespace ProfileStore
