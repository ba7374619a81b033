#include "session/RawWriteText.h"

namespace ServerLink {

namespace {
int nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

std::string EncodeRawWrite(const void* bytes, std::size_t count) {
  static const char kDigits[] = "0123456789ABCDEF";
  const auto* p = static_cast<const unsigned char*>(bytes);
  std::string out(kRawWriteRequest);
  out += ' ';
  out.reserve(out.size() + count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    out += kDigits[p[i] >> 4];
    out += kDigits[p[i] & 15];
  }
  return out;
}

bool DecodeRawWrite(std::string_view text, std::string& out) {
  out.clear();
  if (text.size() % 2 != 0) return false;
  out.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>((hi << 4) | lo);
  }
  return true;
}

}  // namespace ServerLink
