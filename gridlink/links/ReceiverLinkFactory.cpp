#include "links/ReceiverLinkFactory.h"

#include "links/CSerialConnection.h"

std::unique_ptr<CReceiverConnection> CreateReceiverLink(CLinkOwner& owner, const std::string& receiverString,
                                                        std::string& errorText, int& linkKind) {
  struct Kind {
    const char* prefix;
    int number;
  };
  static constexpr Kind kKinds[] = {
      {"COM", kLinkCOM}, {"TCP", kLinkTCP}, {"USB", kLinkUSB}, {"GSM", kLinkGSM}, {"WIF", kLinkWIFI}};
  const std::string prefix = receiverString.substr(0, 3);
  for (const Kind& k : kKinds) {
    if (prefix != k.prefix) continue;
    linkKind = k.number;
    if (k.number == kLinkCOM) return std::make_unique<CSerialConnection>(owner, receiverString);
    errorText = "ER:" + prefix + " links are not available in this build";
    return nullptr;
  }
  errorText = "ER:Can't find receiver.";
  return nullptr;
}
