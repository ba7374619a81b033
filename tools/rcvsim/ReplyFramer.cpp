#include "ReplyFramer.h"

#include <cstdio>
#include <cstring>

#include "gridlink/Framing.h"

namespace rcvsim {

std::string makeFrame(const char id[2], const std::string& body) {
  char head[6];
  std::snprintf(head, sizeof head, "%c%c%03X", id[0], id[1], static_cast<unsigned>(body.size() & 0xFFF));
  return std::string(head, 5) + body;
}

std::vector<std::string> replyFrames(bool ok, const std::string& prefix, const std::string& text,
                                     std::size_t maxBody) {
  const char* id = ok ? "RE" : "ER";
  std::vector<std::string> frames;
  if (maxBody > Zrx::kMaxBody) maxBody = Zrx::kMaxBody;
  const std::size_t room = maxBody > prefix.size() + 16 ? maxBody - prefix.size() : 16;
  std::size_t pos = 0;
  do {
    std::size_t len = text.size() - pos;
    if (len > room) {
      // Cut behind the last "," or "{" that fits, so the piece announces a continuation.
      std::size_t cut = std::string::npos;
      for (std::size_t i = pos + room; i > pos; --i) {
        const char c = text[i - 1];
        if (c == ',' || c == '{') {
          cut = i;
          break;
        }
      }
      len = cut == std::string::npos ? room : cut - pos;
    }
    frames.push_back(makeFrame(id, prefix + text.substr(pos, len)));
    pos += len;
  } while (pos < text.size());
  return frames;
}

std::string binaryFrame(const char id[2], const std::string& payload) {
  std::string f = makeFrame(id, payload + std::string(1, '\0'));
  f.back() = static_cast<char>(Zrx::checksum8(f.data(), f.size() - 1));
  return f;
}

std::string hexTextFrame(const char id[2], const std::string& payload) {
  std::string f = makeFrame(id, payload + "00");
  const auto cs = Zrx::textChecksum(f.data(), f.size() - 2, true);
  f[f.size() - 2] = cs[0];
  f[f.size() - 1] = cs[1];
  return f;
}

std::string wrapperFrame(std::uint8_t messageNumber, const std::string& data) {
  std::string body(1, static_cast<char>(messageNumber));
  body += data;
  body += "00";
  std::string f = makeFrame(">>", body);
  const auto cs = Zrx::textChecksum(f.data(), f.size() - 2, true);
  f[f.size() - 2] = cs[0];
  f[f.size() - 1] = cs[1];
  return f;
}

void putU1(std::string& s, unsigned v) {
  s.push_back(static_cast<char>(v & 0xFF));
}
void putU2(std::string& s, unsigned v) {
  putU1(s, v);
  putU1(s, v >> 8);
}
void putU4(std::string& s, std::uint32_t v) {
  putU2(s, v & 0xFFFF);
  putU2(s, v >> 16);
}
void putF4(std::string& s, float v) {
  std::uint32_t u;
  std::memcpy(&u, &v, 4);
  putU4(s, u);
}
void putF8(std::string& s, double v) {
  std::uint64_t u;
  std::memcpy(&u, &v, 8);
  putU4(s, static_cast<std::uint32_t>(u));
  putU4(s, static_cast<std::uint32_t>(u >> 32));
}

}  // namespace rcvsim
