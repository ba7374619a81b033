#pragma once
// Earth-fixed Cartesian coordinates to latitude, longitude and height on the
// WGS 84 ellipsoid (degrees and metres), for the positions reference stations send.
namespace engine::rtcm3 {

struct Geodetic {
  double latDeg = 0, lonDeg = 0, h = 0;
};

Geodetic ecefToGeodetic(double x, double y, double z);
void geodeticToEcef(const Geodetic& g, double out[3]);
// Straight-line distance between two Earth-fixed points, metres.
double ecefDistance(const double a[3], const double b[3]);

}  // namespace engine::rtcm3
