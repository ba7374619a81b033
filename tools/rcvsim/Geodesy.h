#pragma once
// WGS-84 conversions between geodetic and Earth-fixed Cartesian coordinates and
// the local east-north-up frame. Angles in radians, lengths in metres.
namespace rcvsim {

struct Ecef {
  double x = 0, y = 0, z = 0;
};
struct Geodetic {
  double lat = 0, lon = 0, h = 0;
};
struct Enu {
  double e = 0, n = 0, u = 0;
};

Ecef toEcef(const Geodetic& g);
Geodetic toGeodetic(const Ecef& p);
// Vector d (Earth-fixed) expressed in the local frame at `at`.
Enu toEnu(const Geodetic& at, double dx, double dy, double dz);
// Local vector back to Earth-fixed.
Ecef fromEnu(const Geodetic& at, const Enu& v);

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;
constexpr double kLight = 299792458.0;

}  // namespace rcvsim
