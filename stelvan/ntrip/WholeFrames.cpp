#include "WholeFrames.h"

#include <cstdint>

#include "decode/parsers/Crc24q.h"

namespace Ntrip {

void WholeFrames::Feed(const char* bytes, std::size_t count, std::string& out) {
  std::string in = std::move(held_);
  held_.clear();
  in.append(bytes, count);
  std::size_t at = 0, ready = 0;
  while (at < in.size()) {
    if (static_cast<unsigned char>(in[at]) != 0xD3) {
      ++at;
      continue;
    }
    const auto* p = reinterpret_cast<const std::uint8_t*>(in.data() + at);
    const std::size_t left = in.size() - at;
    if (left < 3) break;
    const std::size_t length = (static_cast<std::size_t>(p[1] & 3) << 8) | p[2];
    if ((p[1] & 0xFC) != 0) {
      ++at;
      continue;
    }
    if (left < length + 6) break;
    const std::uint32_t crc = (static_cast<std::uint32_t>(p[length + 3]) << 16) |
                              (static_cast<std::uint32_t>(p[length + 4]) << 8) | p[length + 5];
    at += engine::rtcm3::crc24q(p, length + 3) == crc ? length + 6 : 1;
  }
  ready = at;
  out.append(in, 0, ready);
  held_ = in.substr(ready);
}

}  // namespace Ntrip
