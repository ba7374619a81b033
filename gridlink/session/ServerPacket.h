#pragma once
// Server packets (server to client): "%04x" total length, "%03x" type (packet
// kind in the high 4 bits, message slot in the low 8), "%02x" receiver id,
// "%02x" result, then the payload. The local server ends the payload with a
// zero byte counted in the length; a remote server appends a 4-byte checksum
// (counted too). Pure functions on caller buffers; any thread.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ServerLink {

enum class PacketForm {
  Local,   // handed over in memory by the local server: payload + zero byte
  Remote,  // read from a TCP server: payload + 32-bit checksum
};

constexpr std::size_t kHeaderSize = 11;  // length 4, type 3, receiver id 2, result 2
constexpr std::size_t kChecksumSize = 4;
// The length field has four digits; 0 and 0xFFFF are never lengths.
constexpr std::size_t kMaxPacket = 0xFFFE;
// The smallest packet: the local one carries at least its zero byte.
constexpr std::size_t minPacket(PacketForm form) {
  return kHeaderSize + (form == PacketForm::Remote ? kChecksumSize : 1);
}

constexpr std::uint16_t makeType(unsigned kind, unsigned slot) {
  return static_cast<std::uint16_t>(((kind & 0xFu) << 8) | (slot & 0xFFu));
}
constexpr unsigned kindOf(std::uint16_t type) {
  return (type >> 8) & 0xFu;
}
constexpr unsigned slotOf(std::uint16_t type) {
  return type & 0xFFu;
}

struct ServerPacketHeader {
  std::uint16_t length = 0;  // whole packet, header and trailer included
  std::uint16_t type = 0;
  std::uint8_t rcvId = 0;
  std::uint8_t result = 0;
};

// Reads the 11 header bytes at p (the caller guarantees them). Each field
// with a character that is not a hexadecimal digit reads as 0.
ServerPacketHeader readHeader(const std::uint8_t* p);

// Wrap-around sum of the bytes read as little-endian 32-bit words, the last
// word padded with zero bytes.
std::uint32_t packetChecksum(const std::uint8_t* p, std::size_t n);

// The packet for `payload`; empty when it would exceed kMaxPacket or the type
// does not fit its three digits.
std::string buildServerPacket(std::uint16_t type, std::uint8_t rcvId, std::uint8_t result,
                              std::string_view payload, PacketForm form);

}  // namespace ServerLink
