#include "ScriptText.h"

#include <cctype>
#include <fstream>
#include <iterator>

namespace ScriptText {

namespace {
bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}
}  // namespace

std::string trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return std::string(text);
}

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::vector<std::string> tokenise(std::string_view text) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (tokens.size() < kMaxTokens) {
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i >= text.size()) break;
    const std::size_t start = i;
    while (i < text.size() && !isBlank(text[i])) ++i;
    tokens.emplace_back(text.substr(start, i - start));
  }
  return tokens;
}

std::string substitute(std::string_view line, const Variables& vars) {
  const std::size_t q1 = line.find('"');
  const std::size_t q2 = q1 == std::string_view::npos ? q1 : line.find('"', q1 + 1);
  std::string out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const bool quoted = q1 != std::string_view::npos && i > q1 && (q2 == std::string_view::npos || i < q2);
    if (line[i] == '@' && !quoted && i + 1 < line.size() &&
        std::isdigit(static_cast<unsigned char>(line[i + 1]))) {
      out += vars[static_cast<std::size_t>(line[i + 1] - '0')];
      ++i;
    } else {
      out += line[i];
    }
  }
  return out;
}

std::string replyValue(std::string_view reply) {
  const std::size_t pct = reply.rfind('%');
  if (pct != std::string_view::npos) return trim(reply.substr(pct + 1));
  return reply.size() > 5 ? trim(reply.substr(5)) : std::string();
}

int argumentIndex(std::string_view token) {
  if (token.size() == 2 && token[0] == '@' && token[1] >= '1' && token[1] <= '9') return token[1] - '0';
  return -1;
}

std::string utf16ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low =
          static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    // A lone surrogate has no character of its own.
    if (unit >= 0xD800 && unit < 0xE000) unit = '?';
    appendUtf8(out, unit);
  }
  return out;
}

bool readScriptFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
      static_cast<unsigned char>(text[1]) == 0xFE)
    text = utf16ToUtf8(std::string_view(text).substr(2));
  if (text.empty() || text.back() != '\n') text += "\r\n";
  return true;
}

}  // namespace ScriptText
