#include "logger/DateTimeListener.h"

namespace Gnss {

void DateTimeListener::reset(int periodSec, double offsetSec, bool nmea) {
  scanner_ = ZrxTimeScanner();
  nmeaScanner_ = NmeaTimeScanner();
  nmea_ = nmea;
  clock_ = RotationClock(periodSec, offsetSec);
  epochs_ = 0;
}

DateTimeListener::Step DateTimeListener::next(const std::uint8_t* bytes, std::size_t n, std::size_t from,
                                              std::size_t& at, std::size_t& end) {
  const ZrxTimeScanner::Found found =
      nmea_ ? nmeaScanner_.next(bytes, n, from, at, end) : scanner_.next(bytes, n, from, at, end);
  switch (found) {
    case ZrxTimeScanner::Found::Nothing:
      return Step::Nothing;
    case ZrxTimeScanner::Found::NeedMore:
      return Step::NeedMore;
    case ZrxTimeScanner::Found::Time:
      ++epochs_;
      return Step::Epoch;
    case ZrxTimeScanner::Found::Date:
      break;
  }
  return Step::Date;
}

}  // namespace Gnss
