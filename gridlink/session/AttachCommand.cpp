#include "session/AttachCommand.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "gridlink/Framing.h"

namespace LocalSrv {
namespace {

bool isNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

}  // namespace

AttachPlan BuildAttachText(const MessageTable& table, std::string_view arg) {
  AttachPlan plan;
  if (arg.empty()) return plan;
  const auto kind = static_cast<std::uint8_t>(Zrx::hexField(1, arg.data()));
  std::string_view rest = arg.size() > 2 ? arg.substr(2) : std::string_view();
  while (!rest.empty()) {
    if (!isNameChar(rest.front())) {
      rest.remove_prefix(1);
      continue;
    }
    const std::string_view from = rest;  // the list from this name on, for the error text
    std::size_t n = 0;
    while (n < rest.size() && isNameChar(rest[n])) ++n;
    const std::string_view name = rest.substr(0, n);
    rest.remove_prefix(n);
    int tenths = kDefaultPeriodTenths;
    if (!rest.empty() && rest.front() == ':') {
      const std::size_t end = rest.find(',');
      const std::string number(rest.substr(1, end == std::string_view::npos ? end : end - 1));
      const double seconds = std::strtod(number.c_str(), nullptr);
      const double t = seconds * 10.0;
      if (!(t >= 0.0 && t <= 65534.0)) {
        if (plan.error.empty()) plan.error = "ER:Unable period - " + std::string(from);
      } else {
        tenths = static_cast<int>(t);
      }
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    }
    const MessageEntry* e = table.Find(kind, name);
    if (!e) continue;
    if (e->name.rfind("WL", 0) == 0) {
      plan.stopAtWl = true;
      return plan;
    }
    char item[160];
    std::snprintf(item, sizeof item, "%s%s:{%3.2f,0,-%u},", MessageTable::Prefix(e->kind), e->name.c_str(),
                  tenths / 10.0, e->serial + 1);
    plan.text += item;
  }
  return plan;
}

std::vector<std::string> SplitAttachPieces(std::string_view text) {
  std::vector<std::string> pieces;
  while (!text.empty()) {
    std::string_view chunk = text.substr(0, kAttachPieceText);
    const std::size_t brace = chunk.rfind('}');
    if (brace != std::string_view::npos) chunk = chunk.substr(0, brace + 1);
    pieces.push_back("%em%em,," + std::string(chunk));
    text.remove_prefix(chunk.size());
    if (!text.empty() && text.front() == ',') text.remove_prefix(1);
  }
  return pieces;
}

}  // namespace LocalSrv
