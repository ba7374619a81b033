#pragma once
// Request packets (client to server): "%04x" length of the request text,
// "%02x" receiver id (0 for connection-level requests), the text, and a zero
// byte that is sent but not counted. Pure functions; any thread.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ServerLink {

constexpr std::size_t kRequestHeader = 6;
constexpr std::size_t kMaxRequestText = 0xFFFF;

// The bytes to send, the zero byte included; empty when the text is too long
// for the four-digit length field.
std::string buildRequestPacket(std::string_view text, std::uint8_t rcvId);

struct Request {
  std::uint8_t rcvId = 0;
  std::string_view text;  // points into the parsed bytes
};

// A request packet of n bytes (its zero byte may be present or not). Empty
// when the header is short or the length field claims more than the bytes hold.
std::optional<Request> parseRequestPacket(const std::uint8_t* p, std::size_t n);

}  // namespace ServerLink
