#pragma once
// Reads the fields of an RTCM 3 message body: unsigned and two's-complement
// integers of up to 64 bits, most significant bit first, from a bit position
// that only moves forward. Reading past the end gives 0 and leaves the reader
// short, so a decoder checks ok() once after a group of fields. Plain value
// type; not shared between threads.
#include <cstddef>
#include <cstdint>
#include <string>

namespace engine::rtcm3 {

class BitReader {
 public:
  BitReader(const std::uint8_t* bytes, std::size_t length) : m_bytes(bytes), m_bits(length * 8) {}

  std::uint64_t u(unsigned bits);
  std::int64_t s(unsigned bits);
  void skip(std::size_t bits);
  // A count (8 bits) followed by that many 8-bit characters, as the descriptor fields are sent.
  std::string text();

  bool ok() const { return !m_short; }
  std::size_t position() const { return m_pos; }
  std::size_t remaining() const { return m_short ? 0 : m_bits - m_pos; }

 private:
  const std::uint8_t* m_bytes;
  std::size_t m_bits;
  std::size_t m_pos = 0;
  bool m_short = false;
};

}  // namespace engine::rtcm3
