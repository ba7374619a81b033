#pragma once
// The identifier a receiver reply echoes: its body opens with "%" + id + "%" (after the two id
// characters and three length digits). The one reading of it, for the links and the local
// server alike.
#include <string_view>

namespace Zrx {

// True, with the identifier in id, when the reply carries one.
inline bool replyIdentifier(std::string_view reply, std::string_view& id) {
  if (reply.size() <= 5 || reply[5] != '%') return false;
  const std::size_t close = reply.find('%', 6);
  if (close == std::string_view::npos) return false;
  id = reply.substr(6, close - 6);
  return true;
}

}  // namespace Zrx
