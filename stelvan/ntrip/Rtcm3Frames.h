#pragma once
// Finds whole RTCM 3 frames (0xD3, six zero bits, 10-bit length, payload,
// CRC-24Q) in a byte stream that arrives in pieces, and hands each good one
// on with its message number. A failed CRC rescans one byte further on.
// Holds at most one frame's worth of bytes. Not thread-safe.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace Ntrip {

class Rtcm3Frames {
 public:
  using FrameCallback = std::function<void(unsigned type, const char* frame, std::size_t length)>;
  explicit Rtcm3Frames(FrameCallback onFrame) : onFrame_(std::move(onFrame)) {}
  void Feed(const char* bytes, std::size_t count);
  std::uint64_t badFrames() const { return bad_; }

 private:
  void scan();
  FrameCallback onFrame_;
  std::string buf_;
  std::uint64_t bad_ = 0;
};

}  // namespace Ntrip
