#pragma once
// NMEA 0183 sentence rules used by the parser: address characters, sentence
// characters, uppercase checksum digits and the XOR checksum.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "../parser/NoCoverage.h"

namespace engine::nmea {

constexpr std::uint8_t kStart = '$';
constexpr std::uint8_t kChecksumMark = '*';
constexpr std::size_t kAddressSize = 5;
// The receiver's proprietary address; its sentence identifier is the next field.
constexpr char kProprietary[] = "PVPSR";
// Other makers' proprietary addresses: "P", a three-character maker and
// sometimes more ("PUBX", "PGRME", "PMTK314"), ended by "," or "*"; the
// whole address is the identifier.
constexpr std::uint8_t kProprietaryMark = 'P';
constexpr std::size_t kMakerAddressMin = 4, kMakerAddressMax = 9;

inline bool isAddressChar(std::uint8_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}
inline bool isSentenceChar(std::uint8_t c) {
  return c >= 0x20 && c <= 0x7D;
}
// Value of an uppercase hexadecimal digit, or -1.
inline int upperHex(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
inline std::uint8_t xorOf(const std::uint8_t* p, std::size_t n, std::uint8_t acc = 0) {
  for (std::size_t i = 0; i < n; ++i) acc ^= p[i];
  return acc;
}

// True when every byte of p[0, n) is a sentence character; XORs them into acc.
// Eight bytes at a time: a byte below 0x20 or above 0x7D in a word shows in
// its top bits (exact for existence, no carries between bytes matter).
STELVAN_NO_COVERAGE inline bool checkAndXor(const std::uint8_t* p, std::size_t n, std::uint8_t& acc) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
  std::uint64_t wide = 0;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x;
    std::memcpy(&x, p + i, 8);
    const std::uint64_t below = (x - kOnes * 0x20) & ~x & kHighs;
    const std::uint64_t above = ((x + kOnes * (0x7F - 0x7D)) | x) & kHighs;
    if (below | above) return false;
    wide ^= x;
  }
  wide ^= wide >> 32;
  wide ^= wide >> 16;
  wide ^= wide >> 8;
  acc ^= static_cast<std::uint8_t>(wide);
  for (; i < n; ++i) {
    if (!isSentenceChar(p[i])) return false;
    acc ^= p[i];
  }
  return true;
}

}  // namespace engine::nmea
