#pragma once
// Builds RTCM 3 bodies and frames field by field for the tests (most significant bit first).
#include <cstdint>
#include <string>
#include <vector>

#include "decode/parsers/Crc24q.h"

namespace rtcm3test {

class BodyWriter {
 public:
  // Any width; bits above the 64 of `value` are zero (padding over fields a test does not set).
  BodyWriter& put(std::uint64_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (count_ % 8 == 0) bytes_.push_back(0);
      if (i < 64 && ((value >> i) & 1))
        bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (0x80 >> (count_ % 8)));
      ++count_;
    }
    return *this;
  }
  BodyWriter& putSigned(std::int64_t value, int bits) {
    return put(static_cast<std::uint64_t>(value) & (bits == 64 ? ~0ull : (1ull << bits) - 1), bits);
  }
  BodyWriter& text(const std::string& t) {
    put(t.size(), 8);
    for (char c : t) put(static_cast<unsigned char>(c), 8);
    return *this;
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::size_t bits() const { return count_; }

  // The body framed: preamble, length, body, CRC-24Q.
  std::string frame() const {
    std::vector<std::uint8_t> f = {0xD3, static_cast<std::uint8_t>((bytes_.size() >> 8) & 3),
                                   static_cast<std::uint8_t>(bytes_.size() & 0xFF)};
    f.insert(f.end(), bytes_.begin(), bytes_.end());
    const std::uint32_t crc = engine::rtcm3::crc24q(f.data(), f.size());
    f.push_back(static_cast<std::uint8_t>(crc >> 16));
    f.push_back(static_cast<std::uint8_t>(crc >> 8));
    f.push_back(static_cast<std::uint8_t>(crc));
    return std::string(f.begin(), f.end());
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t count_ = 0;
};

}  // namespace rtcm3test
