#pragma once
// RTCM 2 words: 30 bits (24 data, 6 parity) carried as six data bits per byte
// in five bytes, least significant stream bit first. A word is represented with
// d1 at bit 29 and D30 at bit 0. Pure functions, callable from any thread.
#include <array>
#include <cstddef>
#include <cstdint>

#include "../parser/PlainTable.h"

namespace engine::rtcm2 {

constexpr std::uint32_t kDataMask = 0x3FFFFFC0;
constexpr unsigned kBytesPerWord = 5;
constexpr unsigned kBitsPerByte = 6;
constexpr unsigned kWordBits = 30;
constexpr std::uint32_t kPreambleWord = 0x66;  // the first eight data bits of a message

namespace detail {
constexpr PlainTable<std::int8_t, 256> makeSixBits() {
  PlainTable<std::int8_t, 256> t{};
  for (int b = 0; b < 256; ++b) {
    int v = -1;
    if ((b & 0xC0) == 0x40) {
      v = 0;
      for (int i = 0; i < 6; ++i)
        if (b & (1 << i)) v |= 1 << (5 - i);
    }
    t.v[b] = static_cast<std::int8_t>(v);
  }
  return t;
}
inline constexpr PlainTable<std::int8_t, 256> kSixBits = makeSixBits();
}  // namespace detail

// Six data bits of a stream byte in word order, or -1 when the byte is not 0x40..0x7F.
inline int sixBits(std::uint8_t byte) {
  return detail::kSixBits.v[byte];
}

// Assembles five stream bytes into a raw word; false when a byte is not valid.
bool assembleWord(const std::uint8_t* bytes, std::uint32_t& raw);

// True when the parity bits of `raw` match its data bits (taken complemented when
// d30Star is set) and the previous word's last two parity bits.
bool parityOk(std::uint32_t raw, unsigned d29Star, unsigned d30Star);

// The word with its data bits restored (complemented when d30Star is set).
inline std::uint32_t decoded(std::uint32_t raw, unsigned d30Star) {
  return d30Star ? raw ^ kDataMask : raw;
}

// Fields of the two header words.
inline unsigned messageType(std::uint32_t firstWord) {
  return (firstWord >> 16) & 0x3F;
}
inline unsigned dataWordCount(std::uint32_t secondWord) {
  return (secondWord >> 9) & 0x1F;
}

}  // namespace engine::rtcm2
