#include "InputMode.h"

#include <cctype>

namespace Ntrip {

std::string InputModeOf(const std::string& reply) {
  std::string body = reply;
  if (body.rfind("ER", 0) == 0) return {};
  if (body.size() >= 5 && body.rfind("RE", 0) == 0 && std::isxdigit(static_cast<unsigned char>(body[2])) &&
      std::isxdigit(static_cast<unsigned char>(body[3])) && std::isxdigit(static_cast<unsigned char>(body[4])))
    body.erase(0, 5);
  std::string mode;
  for (char c : body) {
    if (std::isspace(static_cast<unsigned char>(c)) || c == '"') {
      if (!mode.empty()) break;
      continue;
    }
    if (!std::isalnum(static_cast<unsigned char>(c))) return {};
    mode += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return mode;
}

std::string InputModeRefusal(const std::string& mode) {
  // "omni" takes commands and every correction format; "rtcm"/"rtcm3" take RTCM beside commands.
  if (mode.empty() || mode == "omni" || mode == "rtcm" || mode == "rtcm3") return {};
  return "the port's input mode is \"" + mode +
         "\", which would read the corrections as commands; let it take them beside the commands "
         "first, e.g. with the command \"set,/par/cur/term/imode,omni\"";
}

}  // namespace Ntrip
