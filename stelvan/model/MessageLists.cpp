#include "MessageLists.h"

#include <sstream>

namespace Tellus {

namespace {
// Identifiers the receiver outputs as punctuation are named by their letters.
std::string letterForm(const std::string& name) {
  if (name == "~~") return "RT";
  if (name == "::") return "ET";
  if (name == "||") return "EE";
  if (name == "==") return "EV";
  return name;
}

std::string item(const OutputMessage& m) {
  static const char* words[] = {"", "zrx", "def", "nmea", "rtcm", "rtcm3", "cmr", "binex"};
  const char* word = m.kind >= 1 && m.kind <= 7 ? words[m.kind] : "zrx";
  std::string s = std::string("/msg/") + word;
  if (m.kind != 1) s += "/" + letterForm(m.name);
  if (m.periodSeconds > 0) {
    std::ostringstream p;
    p << m.periodSeconds;
    s += ":" + p.str();
  }
  return s;
}
}  // namespace

std::vector<std::string> buildMessageLists(const std::vector<OutputMessage>& items, const std::string& head,
                                           std::size_t maximumLength) {
  std::vector<std::string> out;
  std::string cur;
  for (const OutputMessage& m : items) {
    const std::string it = item(m);
    if (!cur.empty() && cur.size() + 1 + it.size() + 1 > maximumLength) {
      out.push_back(cur + "}");
      cur.clear();
    }
    cur += cur.empty() ? head + "{" + it : "," + it;
  }
  if (!cur.empty()) out.push_back(cur + "}");
  return out;
}

}  // namespace Tellus
