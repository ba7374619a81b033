#include "Crc24q.h"

#include <array>

namespace engine::rtcm3 {
namespace {

constexpr std::array<std::uint32_t, 256> makeTable() {
  std::array<std::uint32_t, 256> t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i << 16;
    for (int b = 0; b < 8; ++b) c = (c & 0x800000) ? ((c << 1) ^ 0x1864CFB) : (c << 1);
    t[i] = c & 0xFFFFFF;
  }
  return t;
}
constexpr auto kTable = makeTable();

}  // namespace

std::uint32_t crc24q(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc) {
  for (std::size_t i = 0; i < count; ++i) crc = ((crc << 8) & 0xFFFFFF) ^ kTable[(crc >> 16) ^ bytes[i]];
  return crc;
}

}  // namespace engine::rtcm3
