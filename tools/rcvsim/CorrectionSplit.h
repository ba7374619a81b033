#pragma once
// A command port whose input mode takes corrections as well ("rtcm", "rtcm3", "omni") gets RTCM 3
// frames between its command lines: this takes the whole frames (preamble, length, CRC all
// right) out of the byte stream and leaves everything else as command text. Command text is
// 7-bit, so a 0xD3 byte can only start a frame; one that starts none is dropped. A frame may
// arrive in pieces. Owned by one session's thread.
#include <cstddef>
#include <functional>
#include <string>

namespace rcvsim {

class CorrectionSplit {
 public:
  using Sink = std::function<void(const char* bytes, std::size_t count)>;
  // `text` gets the command bytes, `frame` each whole RTCM 3 frame.
  void feed(const char* bytes, std::size_t count, const Sink& text, const Sink& frame);
  void clear() { pending_.clear(); }

 private:
  std::string pending_;  // a frame begun and not complete yet
};

}  // namespace rcvsim
