#include "session/ServerPacket.h"

#include <cstdio>

#include "gridlink/Framing.h"

namespace ServerLink {

ServerPacketHeader readHeader(const std::uint8_t* p) {
  const char* c = reinterpret_cast<const char*>(p);
  ServerPacketHeader h;
  h.length = static_cast<std::uint16_t>(Zrx::hexField(4, c));
  h.type = static_cast<std::uint16_t>(Zrx::hexField(3, c + 4));
  h.rcvId = static_cast<std::uint8_t>(Zrx::hexField(2, c + 7));
  h.result = static_cast<std::uint8_t>(Zrx::hexField(2, c + 9));
  return h;
}

std::uint32_t packetChecksum(const std::uint8_t* p, std::size_t n) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < n; i += 4) {
    std::uint32_t w = 0;
    for (std::size_t k = 0; k < 4 && i + k < n; ++k) w |= static_cast<std::uint32_t>(p[i + k]) << (8 * k);
    sum += w;
  }
  return sum;
}

std::string buildServerPacket(std::uint16_t type, std::uint8_t rcvId, std::uint8_t result,
                              std::string_view payload, PacketForm form) {
  const std::size_t length = payload.size() + minPacket(form);
  if (length > kMaxPacket || type > 0xFFF) return {};
  char header[kHeaderSize + 1];
  std::snprintf(header, sizeof header, "%04x%03x%02x%02x", static_cast<unsigned>(length), unsigned{type},
                unsigned{rcvId}, unsigned{result});
  std::string packet(header, kHeaderSize);
  packet.append(payload);
  if (form == PacketForm::Local) {
    packet.push_back('\0');
  } else {
    const std::uint32_t sum =
        packetChecksum(reinterpret_cast<const std::uint8_t*>(packet.data()), packet.size());
    for (int k = 0; k < 4; ++k) packet.push_back(static_cast<char>((sum >> (8 * k)) & 0xFF));
  }
  return packet;
}

}  // namespace ServerLink
