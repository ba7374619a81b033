#pragma once
// When a log file ends, by the receiver's own time: files change at the period
// boundaries of a grid laid over the receiver's time of day (a minute for periods up
// to 60 s, an hour up to 3600 s, a day above), or, for periods longer than a day, after
// the period has elapsed. Times are continuous milliseconds (time of day plus whole days
// since the clock started), so a period that crosses midnight needs no special case.
#include <cstdint>

namespace Gnss {

class RotationClock {
 public:
  static constexpr std::int64_t kDayMs = 86400000;

  RotationClock(std::int64_t periodSec, double offsetSec) : periodMs_(periodSec * 1000), offsetMs_(offsetSec * 1000) {}

  bool aligned() const { return periodMs_ <= kDayMs; }
  // Starts a file at receiver time `t` (continuous ms); returns the time its successor
  // starts at or after. A period of 0 never rotates (returns INT64_MAX).
  std::int64_t start(std::int64_t t);
  std::int64_t nextBoundary() const { return next_; }
  // True when an epoch stamped `t` belongs to the next file.
  bool due(std::int64_t t) const { return t >= next_; }

 private:
  std::int64_t unitMs() const;

  std::int64_t periodMs_;
  double offsetMs_;
  std::int64_t next_ = INT64_MAX;
};

}  // namespace Gnss
