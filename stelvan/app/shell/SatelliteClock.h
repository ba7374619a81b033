#pragma once
// Setting the computer's clock from the receiver's UTC time ("print,/par/time/utc/").
#include <string>

namespace SatelliteClock {

struct Utc {
  unsigned short year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Reads the reply from its sixth character, "{YYYY-MM-DD,hh:mm:ss.mmm}"; false unless all seven
// fields are there.
bool Parse(const std::string& reply, Utc& out);
// Sets CLOCK_REALTIME; false with a readable reason (nothing changed) when the process may not.
bool SetSystemClock(const Utc& utc, std::string& error);

}  // namespace SatelliteClock
