#pragma once
// Copies a transfer report back into the caller's message buffer, which holds
// `len` bytes plus a terminator: a longer report is cut to fit. Returns the
// copied length + 1, as the transfer callbacks report it.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace Session {

inline int copyReplyBack(char* msg, std::uint16_t len, const std::string& reply) {
  const std::size_t n = std::min<std::size_t>(reply.size(), len);
  std::memcpy(msg, reply.data(), n);
  msg[n] = '\0';
  return static_cast<int>(n) + 1;
}

}  // namespace Session
