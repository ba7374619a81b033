#include "logger/ZrxTimeScanner.h"

#include <cstring>

#include "gridlink/Framing.h"

namespace Gnss {

namespace {
bool frameOk(const std::uint8_t* f, std::size_t size) { return Zrx::checksum8(f, size - 1) == f[size - 1]; }
std::uint32_t le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
}  // namespace

ZrxTimeScanner::Found ZrxTimeScanner::next(const std::uint8_t* b, std::size_t n, std::size_t from, std::size_t& at,
                                           std::size_t& end) {
  for (std::size_t i = from; i < n; ++i) {
    const bool time = b[i] == '~', date = b[i] == 'R';
    if (!time && !date) continue;
    const char* head = time ? "~~005" : "RD006";
    const std::size_t size = time ? kTimeFrame : kDateFrame;
    const std::size_t have = n - i;
    if (std::memcmp(b + i, head, have < 5 ? have : 5) != 0) continue;
    if (have < size) {
      at = i;
      return Found::NeedMore;
    }
    if (!frameOk(b + i, size)) continue;
    at = i;
    end = i + size;
    if (time) {
      takeTime(le32(b + i + 5));
      return Found::Time;
    }
    takeDate(b[i + 5] | b[i + 6] << 8, b[i + 7], b[i + 8]);
    return Found::Date;
  }
  return Found::Nothing;
}

void ZrxTimeScanner::takeTime(std::uint32_t tod) {
  const std::int64_t t = tod % 86400000u;
  // A time of day that falls back by more than half a day has passed midnight.
  if (lastTod_ >= 0 && t + 43200000 < lastTod_) ++days_;
  lastTod_ = t;
}

void ZrxTimeScanner::takeDate(int year, int month, int day) {
  if (month < 1 || month > 12 || day < 1 || day > 31) return;
  date_ = ReceiverDate{year, month, day};
  dateDay_ = days_;
}

std::optional<ReceiverDate> ZrxTimeScanner::dateAt(std::int64_t continuousMs) const {
  if (!date_) return std::nullopt;
  const std::int64_t day = continuousMs / 86400000LL;
  return civilFromDays(daysFromCivil(date_->year, date_->month, date_->day) + (day - dateDay_));
}

// Howard Hinnant's civil-calendar algorithms.
std::int64_t daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * static_cast<unsigned>(m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

ReceiverDate civilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int y = static_cast<int>(yoe + era * 400) + (m <= 2);
  return {y, m, d};
}

}  // namespace Gnss
