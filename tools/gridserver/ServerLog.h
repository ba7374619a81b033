#pragma once
// One line per session event on standard error, with a UTC time stamp. Any thread.
#include <string_view>

namespace gridserver {

void logEvent(std::string_view line);

}  // namespace gridserver
