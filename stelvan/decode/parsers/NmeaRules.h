#pragma once
// NMEA 0183 sentence rules used by the parser: address characters, sentence
// characters, uppercase checksum digits and the XOR checksum.
#include <cstddef>
#include <cstdint>

namespace engine::nmea {

constexpr std::uint8_t kStart = '$';
constexpr std::uint8_t kChecksumMark = '*';
constexpr std::size_t kAddressSize = 5;
// The receiver's proprietary address; its sentence identifier is the next field.
constexpr char kProprietary[] = "PVPSR";

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

}  // namespace engine::nmea
