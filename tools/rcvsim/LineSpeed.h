#pragma once
// Line-speed emulation on a pseudo-terminal. The other side's speed is what it
// set on its end (the master sees the slave's termios); while it differs from
// the receiver's current rate, every byte either way is replaced by garbage.
// Garbage bytes lie in 0x80..0xFF, as framing errors at a wrong speed mostly
// do, so they never form a command line end or a frame start.
#include <cstddef>
#include <cstdint>

#include "Rng.h"

namespace rcvsim {

class LineSpeed {
 public:
  LineSpeed(int fd, int rate, std::uint64_t seed) : fd_(fd), rate_(rate), rng_(seed ^ 0x11E5BEEDull) {}
  int rate() const { return rate_; }
  void setRate(int rate) { rate_ = rate; }
  // The speed the other side set, in bit/s (0 when it cannot be read).
  int otherRate() const;
  bool mismatched() const;
  void garble(char* bytes, std::size_t count);

  static int baudOf(unsigned speedCode);
  static unsigned codeOf(int baud);  // 0 when there is no such speed

 private:
  int fd_;
  int rate_;
  Rng rng_;
};

}  // namespace rcvsim
