#include "session/RequestPacket.h"

#include <cstdio>

#include "gridlink/Framing.h"

namespace ServerLink {

std::string buildRequestPacket(std::string_view text, std::uint8_t rcvId) {
  if (text.size() > kMaxRequestText) return {};
  char header[kRequestHeader + 1];
  std::snprintf(header, sizeof header, "%04x%02x", static_cast<unsigned>(text.size()), unsigned{rcvId});
  std::string packet(header, kRequestHeader);
  packet.append(text);
  packet.push_back('\0');
  return packet;
}

std::vector<std::uint8_t> buildRequestWire(std::string_view text, std::uint8_t rcvId, bool scramble,
                                           std::string_view key) {
  const std::string packet = buildRequestPacket(text, rcvId);
  if (packet.empty()) return {};
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(packet.data());
  if (scramble) return CryptPacket(bytes, packet.size() - 1, key);
  return std::vector<std::uint8_t>(bytes, bytes + packet.size());
}

std::optional<Request> parseRequestPacket(const std::uint8_t* p, std::size_t n) {
  if (!p || n < kRequestHeader) return std::nullopt;
  const char* c = reinterpret_cast<const char*>(p);
  const std::size_t length = Zrx::hexField(4, c);
  if (length > n - kRequestHeader) return std::nullopt;
  return Request{static_cast<std::uint8_t>(Zrx::hexField(2, c + 4)),
                 std::string_view(c + kRequestHeader, length)};
}

}  // namespace ServerLink
