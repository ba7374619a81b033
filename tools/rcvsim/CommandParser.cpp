#include "CommandParser.h"

#include <cctype>

#include "gridlink/Framing.h"

namespace rcvsim {

namespace {

// Longest line kept; a real receiver's command buffer is of that order, and a
// line without terminator must not grow without bound.
constexpr std::size_t kMaxLine = 4096;

std::string trim(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
  return s.substr(a, b - a);
}

bool isHex(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

Command parsePiece(std::string piece, bool badSeal) {
  Command c;
  c.badSeal = badSeal;
  if (!piece.empty() && piece[0] == '%') {
    const std::size_t close = piece.find('%', 1);
    if (close != std::string::npos) {
      c.hasId = true;
      c.id = piece.substr(1, close - 1);
      piece = piece.substr(close + 1);
    }
  }
  c.text = trim(piece);
  return c;
}

}  // namespace

void LineAssembler::feed(const char* bytes, std::size_t count, std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < count; ++i) {
    const char c = bytes[i];
    if (c == '\n' || c == '\r') {
      // CR LF gives one line; the empty line between them is dropped.
      if (!partial_.empty()) lines.push_back(partial_);
      partial_.clear();
    } else if (partial_.size() < kMaxLine) {
      partial_.push_back(c);
    }
  }
}

std::vector<Command> parseLine(const std::string& raw) {
  std::vector<Command> out;
  std::string line = trim(raw);
  if (line.empty() || line[0] == '#') return out;

  bool badSeal = false;
  const std::size_t n = line.size();
  if (n >= 3 && line[n - 3] == '@' && isHex(line[n - 2]) && isHex(line[n - 1])) {
    const auto cs = Zrx::textChecksum(line.data(), n - 2);
    const bool ok = std::tolower(static_cast<unsigned char>(cs[0])) ==
                        std::tolower(static_cast<unsigned char>(line[n - 2])) &&
                    std::tolower(static_cast<unsigned char>(cs[1])) ==
                        std::tolower(static_cast<unsigned char>(line[n - 1]));
    badSeal = !ok;
    line.resize(n - 3);
  }

  // Pieces separated by "||" or "&&"; each may carry its own identifier.
  std::size_t start = 0;
  while (start <= line.size()) {
    std::size_t a = line.find("||", start), b = line.find("&&", start);
    std::size_t cut = std::min(a, b);
    std::string piece = line.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
    std::string t = trim(piece);
    if (!t.empty() && t[0] != '#') {
      Command c = parsePiece(t, badSeal);
      if (!c.text.empty() || c.hasId) out.push_back(c);
    }
    if (cut == std::string::npos) break;
    start = cut + 2;
  }
  return out;
}

std::string idPrefix(const Command& c) {
  return c.hasId ? "%" + c.id + "%" : std::string();
}

std::vector<std::string> splitTopLevel(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::string cur;
  int depth = 0;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (!quoted) {
      if (c == '{' || c == '[') ++depth;
      if ((c == '}' || c == ']') && depth > 0) --depth;
      if (c == sep && depth == 0) {
        parts.push_back(cur);
        cur.clear();
        continue;
      }
    }
    cur.push_back(c);
  }
  parts.push_back(cur);
  return parts;
}

std::string unquote(const std::string& text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

}  // namespace rcvsim
