#pragma once
// Corrections written into a link that also carries commands must never be cut inside an RTCM
// 3 frame: a command written between two halves would spoil both. This holds back the start of
// a frame until the frame is whole and lets everything else through at once (bytes that are no
// RTCM 3, such as RTCM 2 or CMR, are not held). Holds at most one frame. Not thread-safe.
#include <cstddef>
#include <string>
#include <vector>

namespace Ntrip {

class WholeFrames {
 public:
  // Appends to `out` the bytes that may go now.
  void Feed(const char* bytes, std::size_t count, std::string& out);
  std::size_t held() const { return held_.size(); }
  // Cuts bytes that Feed let through into pieces of at most `most` bytes, each ending where a
  // frame ends (or among bytes that are no frame), so that a write of each keeps frames whole.
  static std::vector<std::string> Pieces(const std::string& bytes, std::size_t most);

 private:
  std::string held_;
};

}  // namespace Ntrip
