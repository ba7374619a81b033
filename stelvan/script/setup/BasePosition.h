#pragma once
// The Base page's reference position as the receiver writes it:
// "{datum,N47d22m36.84000s,E008d32m30.12000s,430.0000}".
#include <string>

namespace BasePosition {

struct Fix {
  double lat = 0, lon = 0;  // radians
  double height = 0;        // metres
};

// Hemisphere, whole degrees, "d", minutes "%02d", "m", seconds "%7.5lf", "s".
std::string angleText(double radians, char positive, char negative);
// The group value with the datum kept.
std::string groupValue(const std::string& datum, const Fix& fix);

}  // namespace BasePosition
