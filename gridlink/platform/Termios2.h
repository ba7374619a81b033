#pragma once
// Arbitrary line speeds through struct termios2 (BOTHER). Kept in its own file because the
// kernel's <asm/termbits.h> clashes with the C library's <termios.h>. Internal.
#include <cstdint>

namespace Platform::detail {

// Sets input and output speed to rate bit/s. 0 on success, else the errno.
int SetSpeedTermios2(int fd, std::uint32_t rate);
// The output speed in bit/s the driver holds (standard rates included). 0 on success, else errno.
int GetSpeedTermios2(int fd, std::uint32_t& rate);

}  // namespace Platform::detail
