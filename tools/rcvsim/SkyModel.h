#pragma once
// The simulated sky and solution: GPS, GLONASS and Galileo satellites on
// circular orbits and three geostationary SBAS satellites, seen from a fixed
// site; elevation, azimuth, range, Doppler and signal-to-noise follow from the
// geometry, and the solution (position with scatter, velocity, DOPs) fits the
// satellites in view. Keeps one piece of state: when each satellite was first
// tracked, for the lock times. One instance per serving session.
#include <cstdint>
#include <map>
#include <vector>

#include "Geodesy.h"

namespace rcvsim {

enum class Gnss { Gps, Glonass, Galileo, Sbas, Beidou, Qzss };

struct SatView {
  int index = 0;  // satellite index: GPS 1..37, GLONASS 38..70, Galileo 71..103, SBAS 120..138,
                  // QZSS 193..202, BeiDou 211..255 (with --all-systems)
  Gnss sys = Gnss::Gps;
  int number = 0;      // PRN, GLONASS slot or Galileo number
  int gloChannel = 0;  // GLONASS frequency channel, -7..6
  double elDeg = 0, azDeg = 0;
  double range = 0;      // metres
  double rangeRate = 0;  // metres per second
  double dopplerHz = 0;  // L1
  double snr = 0;        // dB-Hz on L1 C/A
  std::uint32_t lockSec = 0;
};

struct Solution {
  int type = 0;  // 0 none, 1 standalone, 2 code differential, 3 RTK float, 4 RTK fixed
  Geodetic geo;  // radians, metres
  Ecef xyz;      // metres
  Ecef vel;      // metres per second
  float posSigma = 0, velSigma = 0;
  float hdop = 0, vdop = 0, tdop = 0;
  float hSigma = 0, vSigma = 0, hvSigma = 0, vvSigma = 0;
  float clockDrift = 0, oscOffset = 0;
  int used = 0;
  double diffAge = -1;  // seconds since the corrections' last observations; < 0: none
  int station = -1;     // the corrections' reference station
};

struct SkyEpoch {
  std::int64_t utcMs = 0;
  std::vector<SatView> sats;  // in view, in index order
  Solution sol;
};

class SkyModel {
 public:
  SkyModel(const Geodetic& site, std::uint64_t seed);
  // `allSystems` adds BeiDou (27 MEO) and four QZSS satellites that hang over the site's
  // longitude as the SBAS ones do: a crowded sky of six systems.
  SkyModel(const Geodetic& site, std::uint64_t seed, bool allSystems);
  // The sky at a receiver time. `solutionType` is what the positioning mode gives
  // when enough satellites are in view.
  SkyEpoch at(std::int64_t utcMs, double elMaskDeg, int solutionType);
  const Geodetic& site() const { return site_; }

 private:
  struct Orbit {
    Gnss sys;
    int number;
    double radius, period, incl, raan, phase;  // metres, seconds, radians
    double geoLon;                             // SBAS only
  };
  Ecef position(const Orbit& o, double t) const;
  void dops(const std::vector<SatView>& sats, Solution& s) const;

  Geodetic site_;
  Ecef siteXyz_;
  std::uint64_t seed_;
  std::vector<Orbit> orbits_;
  std::map<int, std::int64_t> acquiredMs_;
};

}  // namespace rcvsim
