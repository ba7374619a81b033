#pragma once
// Finds the receiver's time ("~~", time of day in ms) and date ("RD") frames in the raw
// stream, checksum checked, and keeps the receiver's date and a continuous time that
// counts whole days past midnight. The logger cuts its files just before a time frame,
// so a file always begins with a whole epoch.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace Gnss {

struct ReceiverDate {
  int year = 0, month = 0, day = 0;
};

class ZrxTimeScanner {
 public:
  static constexpr std::size_t kTimeFrame = 10;  // "~~005" + 4 bytes + checksum
  static constexpr std::size_t kDateFrame = 11;  // "RD006" + 5 bytes + checksum

  enum class Found { Nothing, NeedMore, Time, Date };
  // Looks at bytes[from, n) for the next time or date frame. Time: `at` is the frame's
  // first byte and continuousMs() its time. NeedMore: a frame may start at `at` but is
  // not complete yet. Nothing: no frame starts before the last byte that could begin one.
  Found next(const std::uint8_t* bytes, std::size_t n, std::size_t from, std::size_t& at, std::size_t& end);

  bool timeKnown() const { return lastTod_ >= 0; }
  std::int64_t continuousMs() const { return days_ * 86400000LL + lastTod_; }
  int timeOfDayMs() const { return static_cast<int>(lastTod_); }
  // The receiver's date for a continuous time, from the last date frame (days counted
  // on from it); nullopt before the first date frame.
  std::optional<ReceiverDate> dateAt(std::int64_t continuousMs) const;

  // The clock itself, also fed from other streams' time and date: a time of day (ms), a
  // civil date (taken after the time it belongs to).
  void takeTime(std::uint32_t tod);
  void takeDate(int year, int month, int day);

 private:
  std::int64_t lastTod_ = -1;
  std::int64_t days_ = 0;
  std::optional<ReceiverDate> date_;
  std::int64_t dateDay_ = 0;  // the continuous day the date frame belongs to
};

// Days since 1970-01-01 for a civil date, and back.
std::int64_t daysFromCivil(int year, int month, int day);
ReceiverDate civilFromDays(std::int64_t days);

}  // namespace Gnss
