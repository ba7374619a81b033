#pragma once
// The time of an RTCM 3 stream: the epoch time of its multiple signal messages (MSM), as
// UTC time of day, marks its epochs; the date is the computer's, taken for each epoch as
// the day that puts the epoch nearest to the computer's clock, so an epoch just before
// midnight that arrives just after it keeps its own day. A new epoch begins with the
// first MSM whose time differs from the last one's: the frames of one epoch stay together.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "logger/ZrxTimeScanner.h"

namespace engine::rtcm3 {
struct ObservationHeader;
}

namespace Gnss {

class Rtcm3TimeScanner {
 public:
  using Found = ZrxTimeScanner::Found;
  // The computer's UTC clock, ms since 1970.
  using UtcClock = std::function<std::int64_t()>;
  // GPS time runs ahead of UTC by the leap seconds since 1980; 18 s since 2017. A leap
  // second announced later shifts names and boundaries by that second, nothing more.
  static constexpr std::int64_t kGpsLeapMs = 18000;
  static constexpr std::int64_t kBeidouLeapMs = kGpsLeapMs - 14000;  // BDT is GPS time - 14 s

  explicit Rtcm3TimeScanner(UtcClock utcNow = {});

  // Looks at bytes[from, n) for the next frame (CRC checked) that begins an epoch: Time,
  // the frame spans [at, end). NeedMore: a frame may start at `at` but is not complete.
  Found next(const std::uint8_t* bytes, std::size_t n, std::size_t from, std::size_t& at, std::size_t& end);

  std::int64_t continuousMs() const { return clock_.continuousMs(); }
  std::optional<ReceiverDate> dateAt(std::int64_t continuousMs) const { return clock_.dateAt(continuousMs); }

  // The UTC time of day (ms) of an MSM's epoch, -1 when its time field is out of range.
  static std::int64_t utcTimeOfDay(const engine::rtcm3::ObservationHeader& h);
  // The day (since 1970) that puts time of day `tod` nearest to `nowMs`.
  static std::int64_t nearestDay(std::int64_t tod, std::int64_t nowMs);

 private:
  void takeEpoch(std::int64_t tod);

  UtcClock now_;
  ZrxTimeScanner clock_;
  std::int64_t lastTod_ = -1;
};

// Whether a message list item FORMAT/NAME enables an RTCM 3 MSM.
bool IsMsmItem(const std::string& format, const std::string& name);

}  // namespace Gnss
