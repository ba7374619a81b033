#pragma once
// The NMEA GGA sentence a rover uploads so that a network caster can pick or
// compute its corrections. Pure.
#include <cstdint>
#include <string>

namespace Ntrip {

struct GgaPosition {
  double latitude = 0, longitude = 0;  // degrees
  double height = 0;                   // metres
};

// "$GPGGA,...*CS\r\n" for a position at a UTC time (ms since 1970), fix
// quality 1, 12 satellites, HDOP 1.0.
std::string BuildGga(const GgaPosition& p, std::int64_t utcMs);
// Reads "LAT,LON,H" (degrees, degrees, metres); false when it is not that.
bool ParsePosition(const std::string& text, GgaPosition& out);
// The position of a GGA sentence with a fix (quality > 0); false otherwise.
bool PositionFromGga(const std::string& sentence, GgaPosition& out);

}  // namespace Ntrip
