#pragma once
// The time of an NMEA stream: sentences that carry the time of day (GGA, RMC, ZDA, GLL,
// GNS) mark its epochs, RMC and ZDA its date. A new epoch begins with the first sentence
// whose time differs from the last one's, so a file cut there begins with a whole epoch.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "logger/ZrxTimeScanner.h"

namespace Gnss {

class NmeaTimeScanner {
 public:
  using Found = ZrxTimeScanner::Found;
  static constexpr std::size_t kMaxSentence = 100;  // longer lines are not sentences

  // Looks at bytes[from, n) for the next sentence that begins an epoch (Time) or brings a
  // date (Date); it spans [at, end). NeedMore: one may start at `at` but its line has not
  // ended yet. Checksums are checked; other sentences and bytes are passed over.
  Found next(const std::uint8_t* bytes, std::size_t n, std::size_t from, std::size_t& at, std::size_t& end);

  std::int64_t continuousMs() const { return clock_.continuousMs(); }
  std::optional<ReceiverDate> dateAt(std::int64_t continuousMs) const { return clock_.dateAt(continuousMs); }

 private:
  ZrxTimeScanner clock_;
  std::int64_t lastTod_ = -1;
};

}  // namespace Gnss
