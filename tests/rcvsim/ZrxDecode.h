#pragma once
// Test-side decoding of ZRX data frames: checksum kind per identifier, and the
// little-endian fields of the bodies the views read.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "gridlink/Framing.h"

namespace simtest {

// Binary kind: checksum8 over the whole frame is 0. Text kind ("MS"): the last
// two bytes are the uppercase text checksum of the rest.
inline bool checksumOk(const std::string& frame) {
  if (frame.substr(0, 2) == "MS") {
    if (frame.size() < 7) return false;
    const auto cs = Zrx::textChecksum(frame.data(), frame.size() - 2, true);
    return frame[frame.size() - 2] == cs[0] && frame[frame.size() - 1] == cs[1];
  }
  return Zrx::checksum8(frame.data(), frame.size()) == 0;
}

template <typename T>
T field(const std::string& frame, std::size_t bodyOffset) {
  T v{};
  std::memcpy(&v, frame.data() + 5 + bodyOffset, sizeof v);
  return v;
}

// Payload of a binary frame: body without the checksum byte.
inline std::string payload(const std::string& frame) {
  return frame.substr(5, frame.size() - 6);
}

struct Xyz {
  double x, y, z;
};
inline Xyz geodeticToEcef(double lat, double lon, double h) {
  const double a = 6378137.0, f = 1 / 298.257223563, e2 = f * (2 - f);
  const double n = a / std::sqrt(1 - e2 * std::sin(lat) * std::sin(lat));
  return {(n + h) * std::cos(lat) * std::cos(lon), (n + h) * std::cos(lat) * std::sin(lon),
          (n * (1 - e2) + h) * std::sin(lat)};
}

}  // namespace simtest
