#pragma once
// The logging run's view of the receiver's own time: it listens to the raw stream for the
// receiver's time ("~~") and date ("RD") messages, counts epochs, and runs the rotation clock
// that says which epoch begins the next file. It works on the bytes rather than on decoded
// messages because a file must be cut at a byte position: just before the time message of
// the first epoch at or after a period boundary.
//
// Not locked: the logging session calls it under its own lock.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "logger/NmeaTimeScanner.h"
#include "logger/RotationClock.h"
#include "logger/Rtcm3TimeScanner.h"
#include "logger/ZrxTimeScanner.h"

namespace Gnss {

class DateTimeListener {
 public:
  enum class Step {
    Nothing,   // no time message starts before the last byte that could begin one
    NeedMore,  // one may start at `at` but is not complete yet
    Epoch,     // a time message spans [at, end)
    Date,      // a date message spans [at, end)
  };

  // Where the stream's time comes from: ZRX time and date frames, NMEA sentences, or the
  // epochs of RTCM 3 MSM with the computer's date.
  enum class Source { Zrx, Nmea, Rtcm3 };

  // A new run: no date or time known, the clock not started. `utcNow`: the computer's
  // clock for RTCM 3 dates (empty: the system clock).
  void reset(int periodSec, double offsetSec, Source source = Source::Zrx,
             Rtcm3TimeScanner::UtcClock utcNow = {});
  // The next time or date message in bytes[from, n).
  Step next(const std::uint8_t* bytes, std::size_t n, std::size_t from, std::size_t& at, std::size_t& end);
  // The receiver time (continuous ms, whole days counted past midnight) of the epoch found last.
  std::int64_t epochMs() const;
  // Whether the epoch found last belongs to a new file.
  bool rotationDue() const { return clock_.due(epochMs()); }
  // A file begins with the epoch found last: the clock counts its period from there.
  void fileStarted() { clock_.start(epochMs()); }
  std::optional<ReceiverDate> dateAt(std::int64_t continuousMs) const;
  std::int64_t nextBoundary() const { return clock_.nextBoundary(); }
  std::uint64_t epochs() const { return epochs_; }

 private:
  ZrxTimeScanner scanner_;
  NmeaTimeScanner nmeaScanner_;
  Rtcm3TimeScanner rtcmScanner_;
  Source source_ = Source::Zrx;
  RotationClock clock_{0, 0};
  std::uint64_t epochs_ = 0;
};

}  // namespace Gnss
