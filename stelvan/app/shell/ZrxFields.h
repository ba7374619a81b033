#pragma once
// Little-endian fields of a delivered ZRX message (two id characters, three hex length digits,
// body, checksum byte). Every reader checks the bounds and answers 0 past the end.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

class ZrxMessage {
 public:
  explicit ZrxMessage(const std::string& bytes) : m_Bytes(bytes) {}

  std::string id() const { return m_Bytes.substr(0, 2); }
  // Body bytes after the five header characters, the checksum byte included.
  std::size_t bodySize() const { return m_Bytes.size() > 5 ? m_Bytes.size() - 5 : 0; }
  const std::string& text() const { return m_Bytes; }

  std::uint8_t u1(std::size_t at) const { return at < bodySize() ? byte(at) : 0; }
  std::int8_t i1(std::size_t at) const { return static_cast<std::int8_t>(u1(at)); }
  std::uint16_t u2(std::size_t at) const {
    return has(at, 2) ? static_cast<std::uint16_t>(byte(at) | (byte(at + 1) << 8)) : 0;
  }
  std::uint32_t u4(std::size_t at) const {
    if (!has(at, 4)) return 0;
    return byte(at) | (std::uint32_t{byte(at + 1)} << 8) | (std::uint32_t{byte(at + 2)} << 16) |
           (std::uint32_t{byte(at + 3)} << 24);
  }
  std::int32_t i4(std::size_t at) const { return static_cast<std::int32_t>(u4(at)); }
  float f4(std::size_t at) const { return std::bit_cast<float>(u4(at)); }
  double f8(std::size_t at) const {
    return has(at, 8) ? std::bit_cast<double>(u4(at) | (std::uint64_t{u4(at + 4)} << 32)) : 0.0;
  }
  bool has(std::size_t at, std::size_t n) const { return at + n <= bodySize(); }

 private:
  std::uint8_t byte(std::size_t at) const { return static_cast<std::uint8_t>(m_Bytes[5 + at]); }
  const std::string& m_Bytes;
};
