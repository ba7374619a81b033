#include "BitReader.h"

namespace engine::rtcm3 {

std::uint64_t BitReader::u(unsigned bits) {
  if (bits > 64 || m_short || bits > m_bits - m_pos) {
    m_short = true;
    return 0;
  }
  std::uint64_t v = 0;
  for (unsigned i = 0; i < bits; ++i, ++m_pos)
    v = (v << 1) | ((m_bytes[m_pos >> 3] >> (7 - (m_pos & 7))) & 1u);
  return v;
}

std::int64_t BitReader::s(unsigned bits) {
  if (bits == 0 || bits > 64) {
    m_short = true;
    return 0;
  }
  const std::uint64_t v = u(bits);
  if (bits == 64) return static_cast<std::int64_t>(v);
  const std::uint64_t sign = std::uint64_t{1} << (bits - 1);
  return static_cast<std::int64_t>(v ^ sign) - static_cast<std::int64_t>(sign);
}

void BitReader::skip(std::size_t bits) {
  if (m_short || bits > m_bits - m_pos)
    m_short = true;
  else
    m_pos += bits;
}

std::string BitReader::text() {
  const auto n = static_cast<std::size_t>(u(8));
  std::string t;
  if (n > remaining() / 8) {
    m_short = true;
    return t;
  }
  t.reserve(n);
  for (std::size_t i = 0; i < n; ++i) t += static_cast<char>(u(8));
  return t;
}

}  // namespace engine::rtcm3
