#pragma once
// The line speeds that have a B constant of their own. Internal.
#include <termios.h>

#include <cstdint>

namespace Platform::detail {

// The B constant for rate, or B0 when the rate has none (it then needs BOTHER).
speed_t StandardSpeedCode(std::uint32_t rate);

}  // namespace Platform::detail
