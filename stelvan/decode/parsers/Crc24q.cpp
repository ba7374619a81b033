#include "Crc24q.h"

#include <array>

namespace engine::rtcm3 {
namespace {

// kTables[0] is the byte-wise table; kTables[k] advances an entry of
// kTables[k-1] over one more zero byte, so eight bytes fold in one step.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;
constexpr Tables makeTables() {
  Tables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i << 16;
    for (int b = 0; b < 8; ++b) c = (c & 0x800000) ? ((c << 1) ^ 0x1864CFB) : (c << 1);
    t[0][i] = c & 0xFFFFFF;
  }
  for (std::size_t k = 1; k < 8; ++k)
    for (std::size_t i = 0; i < 256; ++i) t[k][i] = ((t[k - 1][i] << 8) & 0xFFFFFF) ^ t[0][t[k - 1][i] >> 16];
  return t;
}
constexpr Tables kTables = makeTables();

}  // namespace

std::uint32_t crc24q(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc) {
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const std::uint8_t* p = bytes + i;
    const std::uint32_t x =
        (crc << 8) ^ ((static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
                      (static_cast<std::uint32_t>(p[2]) << 8) | p[3]);
    crc = kTables[7][x >> 24] ^ kTables[6][(x >> 16) & 0xFF] ^ kTables[5][(x >> 8) & 0xFF] ^
          kTables[4][x & 0xFF] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
  }
  for (; i < count; ++i) crc = ((crc << 8) & 0xFFFFFF) ^ kTables[0][(crc >> 16) ^ bytes[i]];
  return crc;
}

}  // namespace engine::rtcm3
