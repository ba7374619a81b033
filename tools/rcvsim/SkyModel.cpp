#include "SkyModel.h"

#include <algorithm>
#include <cmath>

#include "Rng.h"

namespace rcvsim {

namespace {

constexpr double kEarthRate = 7.2921151467e-5;
constexpr double kL1 = 1575.42e6;

int satIndex(Gnss sys, int number) {
  switch (sys) {
    case Gnss::Gps:
      return number;
    case Gnss::Glonass:
      return 37 + number;
    case Gnss::Galileo:
      return 70 + number;
    case Gnss::Sbas:
    case Gnss::Qzss:
      return number;
    case Gnss::Beidou:
      return 210 + number;
  }
  return 0;
}

// Solves a 4x4 system in place (Gauss-Jordan); false when singular.
bool invert4(double m[4][4], double inv[4][4]) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) inv[i][j] = i == j ? 1 : 0;
  for (int c = 0; c < 4; ++c) {
    int p = c;
    for (int r = c + 1; r < 4; ++r)
      if (std::fabs(m[r][c]) > std::fabs(m[p][c])) p = r;
    if (std::fabs(m[p][c]) < 1e-12) return false;
    std::swap(m[p], m[c]);
    std::swap(inv[p], inv[c]);
    const double d = m[c][c];
    for (int j = 0; j < 4; ++j) m[c][j] /= d, inv[c][j] /= d;
    for (int r = 0; r < 4; ++r) {
      if (r == c) continue;
      const double f = m[r][c];
      for (int j = 0; j < 4; ++j) m[r][j] -= f * m[c][j], inv[r][j] -= f * inv[c][j];
    }
  }
  return true;
}

}  // namespace

SkyModel::SkyModel(const Geodetic& site, std::uint64_t seed)
    : site_(site), siteXyz_(toEcef(site)), seed_(seed) {
  Rng rng(seed ^ 0x5EEDull);
  const double shift = rng.uniform() * 2 * kPi;
  auto plane = [&](Gnss sys, int planes, int perPlane, double radius, double period, double inclDeg,
                   double raan0) {
    for (int p = 0; p < planes; ++p)
      for (int k = 0; k < perPlane; ++k) {
        const double raan = raan0 * kDeg + p * 2 * kPi / planes;
        const double phase = shift + k * 2 * kPi / perPlane + p * 0.26;
        orbits_.push_back({sys, p * perPlane + k + 1, radius, period, inclDeg * kDeg, raan, phase, 0});
      }
  };
  plane(Gnss::Gps, 6, 4, 26560e3, 43082.0, 55.0, 0.0);
  plane(Gnss::Glonass, 3, 8, 25510e3, 40544.0, 64.8, 15.0);
  plane(Gnss::Galileo, 3, 8, 29600e3, 50680.0, 56.0, 40.0);
  const int sbasPrn[] = {120, 124, 126};
  const double sbasOffset[] = {-35.0, -5.0, 25.0};
  for (int i = 0; i < 3; ++i)
    orbits_.push_back({Gnss::Sbas, sbasPrn[i], 42164e3, 86164.0, 0, 0, 0, site.lon + sbasOffset[i] * kDeg});
}

SkyModel::SkyModel(const Geodetic& site, std::uint64_t seed, bool allSystems) : SkyModel(site, seed) {
  if (!allSystems) return;
  const double shift = 0.7;
  for (int p = 0; p < 3; ++p)
    for (int k = 0; k < 9; ++k)
      orbits_.push_back({Gnss::Beidou, p * 9 + k + 1, 27906e3, 46380.0, 55.0 * kDeg, (70.0 + p * 120.0) * kDeg,
                         shift + k * 2 * kPi / 9 + p * 0.3, 0});
  const double qzssOffset[] = {-50.0, -20.0, 10.0, 40.0};
  for (int i = 0; i < 4; ++i)
    orbits_.push_back({Gnss::Qzss, 193 + i, 42164e3, 86164.0, 0, 0, 0, site.lon + qzssOffset[i] * kDeg});
}

Ecef SkyModel::position(const Orbit& o, double t) const {
  if (o.sys == Gnss::Sbas || o.sys == Gnss::Qzss) return {o.radius * std::cos(o.geoLon), o.radius * std::sin(o.geoLon), 0};
  const double u = o.phase + 2 * kPi * t / o.period;
  const double cu = std::cos(u), su = std::sin(u), ci = std::cos(o.incl), si = std::sin(o.incl);
  const double cr = std::cos(o.raan), sr = std::sin(o.raan);
  const double x = o.radius * (cr * cu - sr * su * ci);
  const double y = o.radius * (sr * cu + cr * su * ci);
  const double z = o.radius * su * si;
  const double th = kEarthRate * t;
  return {x * std::cos(th) + y * std::sin(th), -x * std::sin(th) + y * std::cos(th), z};
}

SkyEpoch SkyModel::at(std::int64_t utcMs, double elMaskDeg, int solutionType) {
  SkyEpoch ep;
  ep.utcMs = utcMs;
  const double t = static_cast<double>(utcMs) / 1000.0 - 946684800.0;
  const std::uint64_t tick = static_cast<std::uint64_t>(utcMs / 100);
  std::map<int, std::int64_t> stillTracked;
  for (const Orbit& o : orbits_) {
    const Ecef p = position(o, t);
    const double dx = p.x - siteXyz_.x, dy = p.y - siteXyz_.y, dz = p.z - siteXyz_.z;
    const Enu v = toEnu(site_, dx, dy, dz);
    const double el = std::atan2(v.u, std::hypot(v.e, v.n)) / kDeg;
    if (el < elMaskDeg) continue;
    SatView s;
    s.sys = o.sys;
    s.number = o.number;
    s.index = satIndex(o.sys, o.number);
    s.gloChannel = o.sys == Gnss::Glonass ? (o.number * 7) % 14 - 7 : 0;
    s.elDeg = el;
    s.azDeg = std::fmod(std::atan2(v.e, v.n) / kDeg + 360.0, 360.0);
    s.range = std::sqrt(dx * dx + dy * dy + dz * dz);
    const Ecef p2 = position(o, t + 0.5), p1 = position(o, t - 0.5);
    const double r2 = std::hypot(std::hypot(p2.x - siteXyz_.x, p2.y - siteXyz_.y), p2.z - siteXyz_.z);
    const double r1 = std::hypot(std::hypot(p1.x - siteXyz_.x, p1.y - siteXyz_.y), p1.z - siteXyz_.z);
    s.rangeRate = r2 - r1;
    s.dopplerHz = -s.rangeRate * kL1 / kLight;
    s.snr = 32.0 + 18.0 * std::sin(el * kDeg) +
            0.4 * Rng::gaussAt(seed_, tick, static_cast<std::uint64_t>(s.index));
    auto seen = acquiredMs_.find(s.index);
    const std::int64_t since = seen == acquiredMs_.end() ? utcMs : seen->second;
    stillTracked[s.index] = since;
    s.lockSec = static_cast<std::uint32_t>((utcMs - since) / 1000);
    ep.sats.push_back(s);
  }
  acquiredMs_ = std::move(stillTracked);
  std::sort(ep.sats.begin(), ep.sats.end(),
            [](const SatView& a, const SatView& b) { return a.index < b.index; });

  Solution& sol = ep.sol;
  int used = 0;
  for (const SatView& s : ep.sats) used += s.sys == Gnss::Sbas ? 0 : 1;
  sol.used = used;
  sol.type = used >= 4 ? solutionType : 0;
  dops(ep.sats, sol);
  static const double sigmaByType[] = {30.0, 1.2, 0.5, 0.2, 0.01};
  const double sigma = sigmaByType[std::clamp(sol.type, 0, 4)];
  const Enu noise{sigma * sol.hdop * 0.7 * Rng::gaussAt(seed_, tick, 1001),
                  sigma * sol.hdop * 0.7 * Rng::gaussAt(seed_, tick, 1002),
                  sigma * sol.vdop * Rng::gaussAt(seed_, tick, 1003)};
  const Ecef d = fromEnu(site_, noise);
  sol.xyz = {siteXyz_.x + d.x, siteXyz_.y + d.y, siteXyz_.z + d.z};
  sol.geo = toGeodetic(sol.xyz);
  const Enu vn{0.01 * Rng::gaussAt(seed_, tick, 2001), 0.01 * Rng::gaussAt(seed_, tick, 2002),
               0.02 * Rng::gaussAt(seed_, tick, 2003)};
  sol.vel = fromEnu(site_, vn);
  sol.hSigma = static_cast<float>(sigma * sol.hdop);
  sol.vSigma = static_cast<float>(sigma * sol.vdop);
  sol.hvSigma = 0.01f * sol.hdop;
  sol.vvSigma = 0.02f * sol.vdop;
  sol.posSigma = std::sqrt(sol.hSigma * sol.hSigma + sol.vSigma * sol.vSigma);
  sol.velSigma = std::sqrt(sol.hvSigma * sol.hvSigma + sol.vvSigma * sol.vvSigma);
  sol.clockDrift = static_cast<float>(2.0e-8 + 1.0e-9 * std::sin(t / 600.0));
  sol.oscOffset = static_cast<float>(1.5e-7 + 2.0e-9 * std::sin(t / 900.0));
  return ep;
}

void SkyModel::dops(const std::vector<SatView>& sats, Solution& s) const {
  double n[4][4] = {};
  int count = 0;
  for (const SatView& v : sats) {
    if (v.sys == Gnss::Sbas) continue;
    const double el = v.elDeg * kDeg, az = v.azDeg * kDeg;
    const double g[4] = {-std::cos(el) * std::sin(az), -std::cos(el) * std::cos(az), -std::sin(el), 1.0};
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) n[i][j] += g[i] * g[j];
    ++count;
  }
  double q[4][4];
  if (count < 4 || !invert4(n, q)) {
    s.hdop = s.vdop = s.tdop = 99.9f;
    return;
  }
  s.hdop = static_cast<float>(std::sqrt(q[0][0] + q[1][1]));
  s.vdop = static_cast<float>(std::sqrt(q[2][2]));
  s.tdop = static_cast<float>(std::sqrt(q[3][3]));
}

}  // namespace rcvsim
