#include "links/LinkKind.h"

int LinkKindOf(std::string_view receiverString) {
  struct Prefix {
    std::string_view text;
    LinkKind kind;
  };
  static constexpr Prefix kPrefixes[] = {
      {"COM", kLinkCom}, {"TCP", kLinkTcp}, {"USB", kLinkUsb}, {"GSM", kLinkGsm}, {"WIF", kLinkWifi}};
  const std::string_view head = receiverString.substr(0, 3);
  for (const Prefix& p : kPrefixes)
    if (head == p.text) return p.kind;
  return -1;
}
