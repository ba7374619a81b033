#include "logger/RotationClock.h"

#include <algorithm>
#include <cmath>

namespace Gnss {

std::int64_t RotationClock::unitMs() const {
  if (periodMs_ <= 60000) return 60000;
  if (periodMs_ <= 3600000) return 3600000;
  return kDayMs;
}

std::int64_t RotationClock::start(std::int64_t t) {
  if (periodMs_ <= 0) return next_ = INT64_MAX;
  if (!aligned()) return next_ = t + periodMs_;
  // The grid is laid over the shifted time; boundaries restart at each unit, so a period
  // that does not divide the unit still changes files at every unit start.
  const std::int64_t shift = static_cast<std::int64_t>(std::llround(offsetMs_));
  const std::int64_t s = t + shift;
  const std::int64_t unit = unitMs();
  const std::int64_t base = s - ((s % unit) + unit) % unit;
  const std::int64_t inUnit = (s - base) / periodMs_ * periodMs_;
  next_ = std::min(base + inUnit + periodMs_, base + unit) - shift;
  return next_;
}

}  // namespace Gnss
