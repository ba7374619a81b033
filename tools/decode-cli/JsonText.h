#pragma once
// Text inside the tool's JSON lines: quotes and backslashes escaped, control and non-ASCII
// bytes as \u00XX, so any message identifier prints as valid JSON.
#include <cstdio>
#include <string>

namespace decodecli {

inline void appendJsonEscaped(std::string& out, const std::string& s) {
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char b[8];
      std::snprintf(b, sizeof b, "\\u%04x", c);
      out += b;
    } else {
      out += static_cast<char>(c);
    }
  }
}

inline std::string jsonQuoted(const std::string& s) {
  std::string out = "\"";
  appendJsonEscaped(out, s);
  return out + "\"";
}

}  // namespace decodecli
