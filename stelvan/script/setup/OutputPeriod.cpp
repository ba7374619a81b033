#include "OutputPeriod.h"

#include <cmath>
#include <cstdlib>

namespace OutputPeriod {

const char* const kWarning =
    "Warning! The requested value of Output Period(Recording Interval)\n"
    "is not supported by your receiver due to the limitations imposed by\n"
    "the receiver's current settings.(Correct \"Receiver configuration/\n"
    "Advanced/Raw Data Management/Update Rate\")";

namespace {
bool number(const std::string& text, double& out) {
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0';
}

bool fitsInterval(long long ms, const std::string& interval) {
  double r = 0;
  if (!number(interval, r) || r <= 0 || r != std::floor(r)) return false;
  const auto step = static_cast<long long>(r);
  return ms >= step && ms % step == 0;
}
}  // namespace

bool fits(const std::string& seconds, const std::string& rawMs, const std::optional<std::string>& posMs) {
  double p = 0;
  if (!number(seconds, p)) return false;
  const double exact = p * 1000.0;
  const auto ms = static_cast<long long>(std::llround(exact));
  if (std::fabs(exact - static_cast<double>(ms)) > 0.00001) return false;
  if (!fitsInterval(ms, rawMs)) return false;
  return !posMs || fitsInterval(ms, *posMs);
}

}  // namespace OutputPeriod
