#include "Rtcm3Frames.h"

#include <cstring>

#include "decode/parsers/Crc24q.h"

namespace Ntrip {

namespace r3 = engine::rtcm3;

void Rtcm3Frames::Feed(const char* bytes, std::size_t count) {
  buf_.append(bytes, count);
  scan();
}

void Rtcm3Frames::scan() {
  std::size_t at = 0;
  while (true) {
    const void* hit = std::memchr(buf_.data() + at, r3::kPreamble, buf_.size() - at);
    if (!hit) {
      at = buf_.size();
      break;
    }
    at = static_cast<std::size_t>(static_cast<const char*>(hit) - buf_.data());
    if (buf_.size() - at < r3::kHeaderSize) break;
    const auto* p = reinterpret_cast<const std::uint8_t*>(buf_.data() + at);
    if (p[1] & 0xFC) {  // the reserved bits must be zero
      ++at;
      continue;
    }
    const std::size_t total = r3::kHeaderSize + r3::payloadLength(p) + r3::kCrcSize;
    if (buf_.size() - at < total) break;
    const std::uint32_t crc = (static_cast<std::uint32_t>(p[total - 3]) << 16) |
                              (static_cast<std::uint32_t>(p[total - 2]) << 8) | p[total - 1];
    if (r3::payloadLength(p) >= 2 && r3::crc24q(p, total - r3::kCrcSize) == crc) {
      onFrame_(r3::messageNumber(p + r3::kHeaderSize), buf_.data() + at, total);
      at += total;
    } else {
      ++bad_;
      ++at;
    }
  }
  buf_.erase(0, at);
}

}  // namespace Ntrip
