#include "messages/MessageText.h"

#include <cstdio>
#include <cstring>

namespace Messages {

std::vector<std::string> recipients(const std::string& reply) {
  std::vector<std::string> out;
  const char* p = reply.size() > 3 ? reply.c_str() + 3 : "";
  char name[256];
  char state = 0;
  int used = 0;
  while (*p && std::sscanf(p, "%255[^/]/%c\n%n", name, &state, &used) == 2 && used > 0) {
    if (state == 'e') out.emplace_back(name);
    p += used;
    used = 0;
  }
  return out;
}

FetchedText fetchedText(const std::string& reply) {
  FetchedText f;
  char subject[1024] = {};
  char text[1024] = {};
  // %c does not stop at the end of the input: it fills what there is, unterminated.
  if (std::sscanf(reply.c_str(), "%*s %1023s %1023c", subject, text) >= 1) f.subject = subject;
  f.text = std::string(text, strnlen(text, sizeof text - 1));
  return f;
}

int percentDone(double done, double total) {
  if (total <= 0) return 0;
  const int p = static_cast<int>(100.0 - (total - done + 1.0) / total * 100.0);
  return p < 0 ? 0 : (p > 100 ? 100 : p);
}

}  // namespace Messages
