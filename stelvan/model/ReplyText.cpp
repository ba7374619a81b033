#include "ReplyText.h"

#include <cctype>
#include <vector>

#include "gridlink/Framing.h"

namespace Tellus {

ReplyPiece splitReply(const std::string& frame) {
  ReplyPiece r;
  r.error = frame.compare(0, 2, "RE") != 0;
  const std::string body = frame.size() > 5 ? frame.substr(5) : std::string();
  const std::size_t close = body.empty() || body[0] != '%' ? std::string::npos : body.find('%', 1);
  if (close == std::string::npos) {
    r.text = body;
  } else {
    r.identifier = body.substr(1, close - 1);
    r.text = body.substr(close + 1);
  }
  return r;
}

int braceDepth(const std::string& text) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '{') {
      ++depth;
    } else if (c == '}') {
      --depth;
    }
  }
  return depth;
}

bool findReply(const std::string& bytes, const std::string& id, bool anyId, ReplyPiece& out) {
  bool found = false;
  for (std::size_t i = 0; i + 5 <= bytes.size(); ++i) {
    const bool re = bytes.compare(i, 2, "RE") == 0, er = bytes.compare(i, 2, "ER") == 0;
    if (!re && !er) continue;
    bool hex = true;
    for (std::size_t k = 2; k < 5; ++k) hex = hex && std::isxdigit(static_cast<unsigned char>(bytes[i + k]));
    if (!hex) continue;
    const unsigned len = Zrx::hexField(3, bytes.data() + i + 2);
    if (i + 5 + len > bytes.size()) continue;
    ReplyPiece p = splitReply(bytes.substr(i, 5 + len));
    if (anyId || p.identifier == id) {
      out = p;
      found = true;
    }
    i += 4 + len;
  }
  return found;
}

std::string sealModelCommand(const std::string& text, unsigned counter, std::string& id) {
  std::string line;
  const std::size_t close = text.size() > 1 && text[0] == '%' ? text.find('%', 1) : std::string::npos;
  if (close != std::string::npos) {
    id = text.substr(1, close - 1);
    line = text;
  } else {
    id = std::to_string(counter);
    line = "%" + id + "%" + text;
  }
  line.push_back('@');
  const auto cs = Zrx::textChecksum(line.data(), line.size(), false);
  line.append(cs.data(), 2);
  line.push_back('\n');
  return line;
}

std::string withoutLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\r' && c != '\n') out.push_back(c);
  return out;
}

namespace {
std::vector<std::string> answerLines(const std::string& answer) {
  std::vector<std::string> lines;
  std::string cur;
  for (const char c : answer) {
    if (c != '\r' && c != '\n') {
      cur += c;
      continue;
    }
    if (!cur.empty()) lines.push_back(cur);
    cur.clear();
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}
}  // namespace

bool loginAccepted(const std::string& answer) {
  static const std::string kLoggedIn = "Logged in on /dev/tcp/";
  for (const std::string& line : answerLines(answer))
    if (line.size() == kLoggedIn.size() + 1 && line.compare(0, kLoggedIn.size(), kLoggedIn) == 0) return true;
  return false;
}

std::string loginAnswerText(const std::string& answer) {
  std::string text;
  for (const std::string& line : answerLines(answer)) text += (text.empty() ? "" : " ") + line;
  return text;
}

}  // namespace Tellus
