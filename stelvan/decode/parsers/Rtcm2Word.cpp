#include "Rtcm2Word.h"

#include <array>
#include <initializer_list>

#include "../parser/NoCoverage.h"

namespace engine::rtcm2 {
namespace {

// Data bit d<i> (1..24) sits at bit 30 - i.
constexpr std::uint32_t mask(std::initializer_list<int> bits) {
  std::uint32_t m = 0;
  for (int i : bits) m |= 1u << (30 - i);
  return m;
}
// Parity equations D25..D30; the first flag says whether D29* (else D30*) joins.
struct Equation {
  std::uint32_t data;
  bool withD29;
};
constexpr std::array<Equation, 6> kParity{{
    {mask({1, 2, 3, 5, 6, 10, 11, 12, 13, 14, 17, 18, 20, 23}), true},
    {mask({2, 3, 4, 6, 7, 11, 12, 13, 14, 15, 18, 19, 21, 24}), false},
    {mask({1, 3, 4, 5, 7, 8, 12, 13, 14, 15, 16, 19, 20, 22}), true},
    {mask({2, 4, 5, 6, 8, 9, 13, 14, 15, 16, 17, 20, 21, 23}), false},
    {mask({1, 3, 5, 6, 7, 9, 10, 14, 15, 16, 17, 18, 21, 22, 24}), false},
    {mask({3, 5, 6, 8, 9, 10, 11, 13, 15, 19, 22, 23, 24}), true},
}};

constexpr unsigned parityOf(std::uint32_t x) {
  x ^= x >> 16;
  x ^= x >> 8;
  x ^= x >> 4;
  return (0x6996u >> (x & 0xF)) & 1u;
}

// The six parity bits the equations give for the data bits of one byte of
// the 24 (byte 0: d1..d8), before the D29*/D30* terms: the whole word's are
// the XOR of its three bytes'.
using ByteParity = PlainTable<std::uint8_t, 3 * 256>;  // byte k's at [k * 256 + value]
constexpr ByteParity makeByteParity() {
  ByteParity t{};
  for (unsigned byte = 0; byte < 3; ++byte)
    for (std::uint32_t v = 0; v < 256; ++v) {
      const std::uint32_t data = v << (6 + 8 * (2 - byte));
      unsigned parity = 0;
      for (const Equation& e : kParity) parity = (parity << 1) | parityOf(data & e.data);
      t.v[byte * 256 + v] = static_cast<std::uint8_t>(parity);
    }
  return t;
}
constexpr ByteParity kByteParity = makeByteParity();

// The parity bits that D29* and D30* flip when set.
constexpr std::uint8_t starMask(bool withD29) {
  unsigned m = 0;
  for (const Equation& e : kParity) m = (m << 1) | (e.withD29 == withD29 ? 1u : 0u);
  return static_cast<std::uint8_t>(m);
}
constexpr std::uint8_t kD29Bits = starMask(true), kD30Bits = starMask(false);

}  // namespace

bool assembleWord(const std::uint8_t* bytes, std::uint32_t& raw) {
  std::uint32_t w = 0;
  for (unsigned i = 0; i < kBytesPerWord; ++i) {
    const int v = sixBits(bytes[i]);
    if (v < 0) return false;
    w = (w << 6) | static_cast<std::uint32_t>(v);
  }
  raw = w;
  return true;
}

STELVAN_NO_COVERAGE bool parityOk(std::uint32_t raw, unsigned d29Star, unsigned d30Star) {
  const std::uint32_t data = decoded(raw, d30Star);
  const unsigned parity = kByteParity.v[(data >> 22) & 0xFF] ^ kByteParity.v[256 + ((data >> 14) & 0xFF)] ^
                          kByteParity.v[512 + ((data >> 6) & 0xFF)] ^ (d29Star ? kD29Bits : 0u) ^
                          (d30Star ? kD30Bits : 0u);
  return parity == (raw & 0x3F);
}

}  // namespace engine::rtcm2
