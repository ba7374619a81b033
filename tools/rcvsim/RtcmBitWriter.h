#pragma once
// Builds an RTCM 3 message body bit by bit, most significant bit first, and wraps it
// in its frame (0xD3, 10-bit length, body, CRC-24Q).
#include <cstdint>
#include <string>
#include <vector>

namespace rcvsim {

std::uint32_t crc24q(const std::uint8_t* bytes, std::size_t count);

class RtcmBitWriter {
 public:
  void put(std::uint64_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (count_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (0x80 >> (count_ % 8)));
      ++count_;
    }
  }
  void putSigned(std::int64_t value, int bits) { put(static_cast<std::uint64_t>(value) & ((1ull << bits) - 1), bits); }

  std::string frame() const {
    std::vector<std::uint8_t> f = {0xD3, static_cast<std::uint8_t>((bytes_.size() >> 8) & 0x03),
                                   static_cast<std::uint8_t>(bytes_.size() & 0xFF)};
    f.insert(f.end(), bytes_.begin(), bytes_.end());
    const std::uint32_t crc = crc24q(f.data(), f.size());
    for (int shift : {16, 8, 0}) f.push_back(static_cast<std::uint8_t>(crc >> shift));
    return std::string(f.begin(), f.end());
  }

 private:
  std::vector<std::uint8_t> bytes_;
  int count_ = 0;
};

}  // namespace rcvsim
