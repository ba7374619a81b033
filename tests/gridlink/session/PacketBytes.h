#pragma once
// Byte helpers shared by the server-link tests.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "session/PacketScrambler.h"
#include "session/ServerPacket.h"

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(std::string_view s) {
  return Bytes(s.begin(), s.end());
}
inline std::string textOf(const Bytes& b) {
  return std::string(b.begin(), b.end());
}
inline const std::uint8_t* u8(const std::string& s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

inline Bytes remotePacket(unsigned kind, unsigned slot, unsigned id, unsigned result, std::string_view text) {
  return bytesOf(
      ServerLink::buildServerPacket(ServerLink::makeType(kind, slot), static_cast<std::uint8_t>(id),
                                    static_cast<std::uint8_t>(result), text, ServerLink::PacketForm::Remote));
}

inline Bytes localPacket(unsigned kind, unsigned slot, unsigned id, unsigned result, std::string_view text) {
  return bytesOf(
      ServerLink::buildServerPacket(ServerLink::makeType(kind, slot), static_cast<std::uint8_t>(id),
                                    static_cast<std::uint8_t>(result), text, ServerLink::PacketForm::Local));
}

inline Bytes scrambled(const Bytes& plain) {
  return ServerLink::CryptPacket(plain.data(), plain.size());
}

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
