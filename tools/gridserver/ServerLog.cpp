#include "gridserver/ServerLog.h"

#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

namespace gridserver {

void logEvent(std::string_view line) {
  static std::mutex lock;
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
  std::lock_guard l(lock);
  std::fprintf(stderr, "%s gridserver: %.*s\n", stamp, static_cast<int>(line.size()), line.data());
  std::fflush(stderr);
}

}  // namespace gridserver
