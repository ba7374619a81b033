#pragma once
// Request packets (client to server): "%04x" length of the request text,
// "%02x" receiver id (0 for connection-level requests), the text, and a zero
// byte that is sent but not counted. Pure functions; any thread.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "session/PacketScrambler.h"

namespace ServerLink {

constexpr std::size_t kRequestHeader = 6;
constexpr std::size_t kMaxRequestText = 0xFFFF;

// The bytes to send, the zero byte included; empty when the text is too long
// for the four-digit length field.
std::string buildRequestPacket(std::string_view text, std::uint8_t rcvId);

// What goes on the wire for one request: the packet with its zero byte, or,
// with `scramble`, the scrambled frame of the packet without its zero byte.
// Empty when the text is too long or scrambling refuses the packet (the
// caller's "ERDLL:Can't encrypt!").
std::vector<std::uint8_t> buildRequestWire(std::string_view text, std::uint8_t rcvId, bool scramble,
                                           std::string_view key = kPacketKey);

struct Request {
  std::uint8_t rcvId = 0;
  std::string_view text;  // points into the parsed bytes
};

// A request packet of n bytes (its zero byte may be present or not). Empty
// when the header is short or the length field claims more than the bytes hold.
std::optional<Request> parseRequestPacket(const std::uint8_t* p, std::size_t n);

}  // namespace ServerLink
