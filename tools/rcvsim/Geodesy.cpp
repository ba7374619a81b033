#include "Geodesy.h"

#include <cmath>

namespace rcvsim {

namespace {
constexpr double kA = 6378137.0;
constexpr double kF = 1.0 / 298.257223563;
constexpr double kE2 = kF * (2 - kF);
}  // namespace

Ecef toEcef(const Geodetic& g) {
  const double s = std::sin(g.lat), c = std::cos(g.lat);
  const double n = kA / std::sqrt(1 - kE2 * s * s);
  return {(n + g.h) * c * std::cos(g.lon), (n + g.h) * c * std::sin(g.lon), (n * (1 - kE2) + g.h) * s};
}

Geodetic toGeodetic(const Ecef& p) {
  const double r = std::hypot(p.x, p.y);
  Geodetic g;
  g.lon = std::atan2(p.y, p.x);
  double lat = std::atan2(p.z, r * (1 - kE2));
  for (int i = 0; i < 8; ++i) {
    const double s = std::sin(lat);
    const double n = kA / std::sqrt(1 - kE2 * s * s);
    g.h = r / std::cos(lat) - n;
    lat = std::atan2(p.z, r * (1 - kE2 * n / (n + g.h)));
  }
  g.lat = lat;
  const double s = std::sin(lat);
  g.h = r / std::cos(lat) - kA / std::sqrt(1 - kE2 * s * s);
  return g;
}

Enu toEnu(const Geodetic& at, double dx, double dy, double dz) {
  const double sl = std::sin(at.lat), cl = std::cos(at.lat), so = std::sin(at.lon), co = std::cos(at.lon);
  return {-so * dx + co * dy, -sl * co * dx - sl * so * dy + cl * dz, cl * co * dx + cl * so * dy + sl * dz};
}

Ecef fromEnu(const Geodetic& at, const Enu& v) {
  const double sl = std::sin(at.lat), cl = std::cos(at.lat), so = std::sin(at.lon), co = std::cos(at.lon);
  return {-so * v.e - sl * co * v.n + cl * co * v.u, co * v.e - sl * so * v.n + cl * so * v.u,
          cl * v.n + sl * v.u};
}

}  // namespace rcvsim
