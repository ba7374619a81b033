#include "plots/PositionTrack.h"

#include <algorithm>
#include <cmath>

#include "decode/parsers/ZrxBodies.h"

namespace plots {

namespace {

constexpr double kA = 6378137.0, kE2 = 6.69437999014e-3;  // WGS-84

}  // namespace

std::optional<Fix> PositionTrack::decodePG(const unsigned char* m, int length) {
  const auto pg = engine::zrx::readGeodeticPosition(m, length > 0 ? static_cast<std::size_t>(length) : 0);
  if (!pg || !engine::zrx::hasPosition(*pg)) return std::nullopt;
  Fix f;
  f.lat = pg->lat;
  f.lon = pg->lon;
  f.height = pg->height;
  f.type = pg->solutionType;
  return f;
}

void PositionTrack::add(const Fix& fix) {
  std::lock_guard l(lock_);
  if (fixes_.size() >= kMaxFixes) fixes_.erase(fixes_.begin(), fixes_.begin() + kMaxFixes / 10);
  fixes_.push_back(fix);
}

void PositionTrack::clear() {
  std::lock_guard l(lock_);
  fixes_.clear();
}

void PositionTrack::setReference(std::optional<Fix> reference) {
  std::lock_guard l(lock_);
  reference_ = reference;
}

Fix PositionTrack::referenceLocked() const {
  if (reference_) {
    Fix r = *reference_;
    // A target has no height: take the mean height so the vertical stays readable.
    double h = 0;
    for (const Fix& f : fixes_) h += f.height;
    r.height = fixes_.empty() ? 0 : h / static_cast<double>(fixes_.size());
    return r;
  }
  Fix mean;
  for (const Fix& f : fixes_) {
    mean.lat += f.lat;
    mean.lon += f.lon;
    mean.height += f.height;
  }
  if (!fixes_.empty()) {
    const double n = static_cast<double>(fixes_.size());
    mean.lat /= n;
    mean.lon /= n;
    mean.height /= n;
  }
  return mean;
}

std::vector<Offset> PositionTrack::offsetsLocked() const {
  const Fix ref = referenceLocked();
  const double s = std::sin(ref.lat);
  const double w = std::sqrt(1 - kE2 * s * s);
  const double north = kA * (1 - kE2) / (w * w * w);  // meridian radius of curvature
  const double east = kA / w * std::cos(ref.lat);     // parallel radius
  std::vector<Offset> out;
  out.reserve(fixes_.size());
  for (const Fix& f : fixes_) {
    double dLon = f.lon - ref.lon;
    if (dLon > M_PI) dLon -= 2 * M_PI;
    if (dLon < -M_PI) dLon += 2 * M_PI;
    out.push_back({dLon * east, (f.lat - ref.lat) * north, f.height - ref.height, f.type, f.ms});
  }
  return out;
}

std::vector<Offset> PositionTrack::offsets() const {
  std::lock_guard l(lock_);
  return offsetsLocked();
}

TrackStats PositionTrack::stats() const {
  std::lock_guard l(lock_);
  const std::vector<Offset> o = offsetsLocked();
  TrackStats t;
  t.count = static_cast<int>(o.size());
  if (o.empty()) return t;
  std::vector<double> r;
  double sum2 = 0;
  for (const Offset& x : o) {
    const double d2 = x.east * x.east + x.north * x.north;
    r.push_back(std::sqrt(d2));
    sum2 += d2;
  }
  std::sort(r.begin(), r.end());
  const std::size_t n = r.size();
  t.cep50 = n % 2 ? r[n / 2] : (r[n / 2 - 1] + r[n / 2]) / 2;
  t.drms2 = 2 * std::sqrt(sum2 / static_cast<double>(n));
  return t;
}

}  // namespace plots
