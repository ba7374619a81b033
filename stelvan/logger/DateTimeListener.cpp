#include "logger/DateTimeListener.h"

namespace Gnss {

void DateTimeListener::reset(int periodSec, double offsetSec, Source source,
                             Rtcm3TimeScanner::UtcClock utcNow) {
  scanner_ = ZrxTimeScanner();
  nmeaScanner_ = NmeaTimeScanner();
  rtcmScanner_ = Rtcm3TimeScanner(std::move(utcNow));
  source_ = source;
  clock_ = RotationClock(periodSec, offsetSec);
  epochs_ = 0;
}

DateTimeListener::Step DateTimeListener::next(const std::uint8_t* bytes, std::size_t n, std::size_t from,
                                              std::size_t& at, std::size_t& end) {
  ZrxTimeScanner::Found found = ZrxTimeScanner::Found::Nothing;
  switch (source_) {
    case Source::Zrx:
      found = scanner_.next(bytes, n, from, at, end);
      break;
    case Source::Nmea:
      found = nmeaScanner_.next(bytes, n, from, at, end);
      break;
    case Source::Rtcm3:
      found = rtcmScanner_.next(bytes, n, from, at, end);
      break;
  }
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

std::int64_t DateTimeListener::epochMs() const {
  switch (source_) {
    case Source::Nmea:
      return nmeaScanner_.continuousMs();
    case Source::Rtcm3:
      return rtcmScanner_.continuousMs();
    case Source::Zrx:
      break;
  }
  return scanner_.continuousMs();
}

std::optional<ReceiverDate> DateTimeListener::dateAt(std::int64_t continuousMs) const {
  switch (source_) {
    case Source::Nmea:
      return nmeaScanner_.dateAt(continuousMs);
    case Source::Rtcm3:
      return rtcmScanner_.dateAt(continuousMs);
    case Source::Zrx:
      break;
  }
  return scanner_.dateAt(continuousMs);
}

}  // namespace Gnss
