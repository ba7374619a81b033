#include "Wgs84.h"

#include <cmath>

namespace engine::rtcm3 {

namespace {
constexpr double kA = 6378137.0;            // semi-major axis
constexpr double kF = 1.0 / 298.257223563;  // flattening
constexpr double kE2 = kF * (2.0 - kF);     // first eccentricity squared
constexpr double kPi = 3.14159265358979323846;
}  // namespace

Geodetic ecefToGeodetic(double x, double y, double z) {
  Geodetic g;
  const double p = std::hypot(x, y);
  if (p == 0 && z == 0) return g;
  // Fixed-point iteration on the latitude; converges to well below a millimetre in a few steps
  // everywhere but at the centre of the Earth.
  double lat = std::atan2(z, p * (1.0 - kE2)), h = 0;
  for (int i = 0; i < 10; ++i) {
    const double s = std::sin(lat);
    const double n = kA / std::sqrt(1.0 - kE2 * s * s);
    h = std::abs(lat) < kPi / 4 ? p / std::cos(lat) - n : z / s - n * (1.0 - kE2);
    const double next = std::atan2(z, p * (1.0 - kE2 * n / (n + h)));
    const bool done = std::abs(next - lat) < 1e-14;
    lat = next;
    if (done) break;
  }
  const double s = std::sin(lat);
  const double n = kA / std::sqrt(1.0 - kE2 * s * s);
  g.h = std::abs(lat) < kPi / 4 ? p / std::cos(lat) - n : z / s - n * (1.0 - kE2);
  g.latDeg = lat * 180.0 / kPi;
  g.lonDeg = std::atan2(y, x) * 180.0 / kPi;
  return g;
}

void geodeticToEcef(const Geodetic& g, double out[3]) {
  const double lat = g.latDeg * kPi / 180.0, lon = g.lonDeg * kPi / 180.0;
  const double s = std::sin(lat);
  const double n = kA / std::sqrt(1.0 - kE2 * s * s);
  out[0] = (n + g.h) * std::cos(lat) * std::cos(lon);
  out[1] = (n + g.h) * std::cos(lat) * std::sin(lon);
  out[2] = (n * (1.0 - kE2) + g.h) * s;
}

double ecefDistance(const double a[3], const double b[3]) {
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                   (a[2] - b[2]) * (a[2] - b[2]));
}

}  // namespace engine::rtcm3
