#include "BasePosition.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace BasePosition {

std::string angleText(double radians, char positive, char negative) {
  const double degrees = std::fabs(radians) * 180.0 / std::numbers::pi;
  int whole = static_cast<int>(std::floor(degrees));
  double minutes = (degrees - whole) * 60.0;
  int wholeMinutes = static_cast<int>(std::floor(minutes));
  double seconds = (minutes - wholeMinutes) * 60.0;
  // Seconds that would print as 60 carry into the minutes (and degrees).
  if (seconds >= 59.999995) {
    seconds = 0;
    if (++wholeMinutes == 60) wholeMinutes = 0, ++whole;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%c%dd%02dm%7.5lfs", radians < 0 ? negative : positive, whole,
                wholeMinutes, seconds);
  return text;
}

std::string groupValue(const std::string& datum, const Fix& fix) {
  char height[32];
  std::snprintf(height, sizeof height, "%.4lf", fix.height);
  return "{" + datum + "," + angleText(fix.lat, 'N', 'S') + "," + angleText(fix.lon, 'E', 'W') + "," +
         height + "}";
}

}  // namespace BasePosition
