// Deliberately without <termios.h>: see Termios2.h.
#include "Termios2.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace Platform::detail {

int SetSpeedTermios2(int fd, std::uint32_t rate) {
  struct termios2 t {};
  if (::ioctl(fd, TCGETS2, &t) != 0) return errno;
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  if (::ioctl(fd, TCSETS2, &t) != 0) return errno;
  return 0;
}

int GetSpeedTermios2(int fd, std::uint32_t& rate) {
  struct termios2 t {};
  if (::ioctl(fd, TCGETS2, &t) != 0) return errno;
  rate = t.c_ospeed;
  return 0;
}

}  // namespace Platform::detail
