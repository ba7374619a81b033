#include "shell/SatelliteClock.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace SatelliteClock {

bool Parse(const std::string& reply, Utc& u) {
  if (reply.size() < 6) return false;
  return std::sscanf(reply.c_str() + 5, "{%4hu-%2hu-%2hu,%2hu:%2hu:%2hu.%3hu}", &u.year, &u.month, &u.day,
                     &u.hour, &u.minute, &u.second, &u.millisecond) == 7;
}

bool SetSystemClock(const Utc& u, std::string& error) {
  std::tm t{};
  t.tm_year = u.year - 1900;
  t.tm_mon = u.month - 1;
  t.tm_mday = u.day;
  t.tm_hour = u.hour;
  t.tm_min = u.minute;
  t.tm_sec = u.second;
  const time_t seconds = timegm(&t);
  if (seconds == static_cast<time_t>(-1) || u.month < 1 || u.month > 12 || u.day < 1 || u.day > 31) {
    error = "The receiver's time is not a valid date.";
    return false;
  }
  const timespec ts{seconds, static_cast<long>(u.millisecond) * 1000000L};
  if (clock_settime(CLOCK_REALTIME, &ts) != 0) {
    const int e = errno;
    error = std::string("The computer's clock was not set: ") + std::strerror(e) +
            (e == EPERM ? ".\nSetting the clock needs the CAP_SYS_TIME privilege." : ".");
    return false;
  }
  return true;
}

}  // namespace SatelliteClock
