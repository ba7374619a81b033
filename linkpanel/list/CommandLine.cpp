// The connection command line: "server rcv1,rcv2, -l user -p password".
#include <cctype>
#include <string>

#include "linkpanel/Linkpanel.h"

namespace Kestrel {
namespace {

bool isBlank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::size_t skipBlanks(const std::string& s, std::size_t pos) {
  while (pos < s.size() && isBlank(s[pos])) ++pos;
  return pos;
}

std::size_t wordEnd(const std::string& s, std::size_t pos) {
  while (pos < s.size() && !isBlank(s[pos])) ++pos;
  return pos;
}

std::string trimmed(const std::string& s) {
  const std::size_t begin = skipBlanks(s, 0);
  std::size_t end = s.size();
  while (end > begin && isBlank(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

bool isOptionStart(char c) {
  return c == '-' || c == '/';
}

// "-l user -p password" at pos; the position after it, or npos when it does not read.
std::size_t readLogin(const std::string& s, std::size_t pos, std::string& user, std::string& password) {
  pos = skipBlanks(s, pos);
  if (s.compare(pos, 2, "-l") != 0) return std::string::npos;
  std::size_t begin = skipBlanks(s, pos + 2);
  std::size_t end = wordEnd(s, begin);
  if (end == begin) return std::string::npos;
  std::string u = s.substr(begin, end - begin);
  pos = skipBlanks(s, end);
  if (s.compare(pos, 2, "-p") != 0) return std::string::npos;
  begin = skipBlanks(s, pos + 2);
  end = wordEnd(s, begin);
  if (end == begin) return std::string::npos;
  user = std::move(u);
  password = s.substr(begin, end - begin);
  return end;
}

}  // namespace

int ParseCommandLine(std::string& text, CONNECTION_INFO& info) {
  info.receivers.clear();
  info.server.clear();
  info.user.clear();
  info.password.clear();
  text = trimmed(text);
  if (text.empty() || isOptionStart(text[0])) return 0;

  const std::size_t serverEnd = wordEnd(text, 0);
  std::size_t pos = skipBlanks(text, serverEnd);
  if (pos < text.size() && isOptionStart(text[pos])) return static_cast<int>(pos);

  std::vector<std::string> receivers;
  while (pos < text.size()) {
    const std::size_t next = skipBlanks(text, pos);
    if (next < text.size() && text[next] == '-') break;  // the login options
    const std::size_t comma = text.find(',', pos);
    // Text after the last "," is one more receiver, as a scan up to the next "," would read it.
    const std::size_t end = comma == std::string::npos ? text.size() : comma;
    const std::string receiver = trimmed(text.substr(pos, end - pos));
    if (!receiver.empty()) receivers.push_back(receiver);
    pos = comma == std::string::npos ? end : comma + 1;
  }
  std::string user, password;
  if (const std::size_t after = readLogin(text, pos, user, password); after != std::string::npos) pos = after;
  info.receivers = std::move(receivers);
  info.server = text.substr(0, serverEnd);
  info.user = std::move(user);
  info.password = std::move(password);
  return static_cast<int>(pos);
}

}  // namespace Kestrel
