#pragma once
// Whether an output period (seconds) fits the receiver's current raw-data and position
// intervals (ms): a whole number of ms, at least each interval and a multiple of it.
#include <optional>
#include <string>

namespace OutputPeriod {
constexpr const char* kCaption = "Output Period";
extern const char* const kWarning;
// rawMs / posMs: the answers to "print,/par/raw/curmsint" and "print,/par/pos/curmsint"
// (posMs empty when not answered).
bool fits(const std::string& seconds, const std::string& rawMs, const std::optional<std::string>& posMs);
}  // namespace OutputPeriod
