#pragma once
// CRC-24Q of RTCM 3 frames (polynomial 0x1864CFB, initial 0, MSB first, no
// final XOR). Table-driven; pure and callable from any thread.
#include <cstddef>
#include <cstdint>

namespace engine::rtcm3 {

constexpr std::uint8_t kPreamble = 0xD3;
constexpr std::size_t kHeaderSize = 3;  // preamble + 6 reserved bits + 10-bit length
constexpr std::size_t kCrcSize = 3;
constexpr std::size_t kMaxPayload = 1023;

std::uint32_t crc24q(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc = 0);

// Payload length from the three header bytes (low 2 bits of the second byte and the third).
inline std::size_t payloadLength(const std::uint8_t* header) {
  return (static_cast<std::size_t>(header[1] & 0x03) << 8) | header[2];
}
// Message number: the first 12 bits of the payload.
inline unsigned messageNumber(const std::uint8_t* payload) {
  return (static_cast<unsigned>(payload[0]) << 4) | (payload[1] >> 4);
}

}  // namespace engine::rtcm3
