#pragma once
// Time of the original system: Sleep in milliseconds and a millisecond tick that wraps at 2^32
// like the original (about every 49.7 days). Compare ticks by unsigned difference,
// "GetTickCount() - start >= period", which stays right across the wrap.
#include <cstdint>

#include "gridlink/Export.h"

namespace Platform {

GRIDLINK_API void Sleep(std::uint32_t ms);
// Milliseconds of a monotonic clock (steady_clock), truncated to 32 bits.
GRIDLINK_API std::uint32_t GetTickCount();

}  // namespace Platform
