#include "logger/LogFileNamer.h"

#include <cstdio>
#include <ctime>

namespace Gnss {

std::string LogFileNamer::name(const NameTime& t, int fileIndex) const {
  std::string path = directory;
  if (!path.empty() && path.back() != '/') path += '/';
  if (mode == 0) return path + fixedName;
  if (mode == 2) return path + prefix + "_" + std::to_string(fileIndex) + suffix;
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "_%d_%02d_%02d_%02d.%02d.%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return path + prefix + stamp + suffix;
}

std::string LogFileNamer::tempName(const std::string& finalName) {
  const std::size_t slash = finalName.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : finalName.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? finalName : finalName.substr(slash + 1);
  const std::size_t dot = base.rfind('.');
  if (dot != std::string::npos) base.erase(dot);
  return dir + "~" + base + ".tmp";
}

NameTime LogFileNamer::localNow() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace Gnss
