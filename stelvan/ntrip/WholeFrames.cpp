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

std::vector<std::string> WholeFrames::Pieces(const std::string& bytes, std::size_t most) {
  std::vector<std::string> out;
  std::size_t start = 0, at = 0;
  while (at < bytes.size()) {
    // One unit: a frame (its header says how long), or a single byte of anything else.
    std::size_t unit = 1;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
    if (p[0] == 0xD3 && bytes.size() - at >= 3 && (p[1] & 0xFC) == 0) {
      const std::size_t length = ((static_cast<std::size_t>(p[1] & 3) << 8) | p[2]) + 6;
      if (length <= bytes.size() - at) unit = length;
    }
    if (at > start && at + unit - start > most) {
      out.push_back(bytes.substr(start, at - start));
      start = at;
    }
    at += unit;
  }
  if (at > start) out.push_back(bytes.substr(start));
  return out;
}

}  // namespace Ntrip
