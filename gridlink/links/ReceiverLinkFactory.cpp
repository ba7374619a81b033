#include "links/ReceiverLinkFactory.h"

#include "links/CModemConnection.h"
#include "links/CSerialConnection.h"
#include "links/CTCPConnection.h"
#include "links/CUSBConnection.h"

std::unique_ptr<CReceiverConnection> CreateReceiverLink(CLinkOwner& owner, const std::string& receiverString,
                                                        std::string& errorText, int& linkKind) {
  linkKind = LinkKindOf(receiverString);
  switch (linkKind) {
    case kLinkCom:
      return std::make_unique<CSerialConnection>(owner, receiverString);
    case kLinkTcp:
    case kLinkWifi:
      return std::make_unique<CTCPConnection>(owner, receiverString);
    case kLinkGsm:
      return std::make_unique<CModemConnection>(owner, receiverString);
    case kLinkUsb:
      return std::make_unique<CUSBConnection>(owner, receiverString);
    default:
      errorText = "ER:Can't find receiver.";
      return nullptr;
  }
}
