#pragma once
// The one place that turns a receiver string into a link object.
#include <memory>
#include <string>

#include "links/CReceiverConnection.h"

// Chooses the link by the first three characters of the receiver string (LinkKind.h): "COM"
// the serial link, "TCP" and "WIF" the network link, "GSM" the modem link, "USB" the USB link.
// Anything else: null with errorText "ER:Can't find receiver." (the local server's own reply
// for an unknown kind).
//
// A constructed link has already run its whole open; it is returned even when that failed:
// its StatusText() is then non-empty and is the open's error reply. The caller owns the link
// and deletes it before the owner goes. linkKind receives the kind number (LinkKind).
std::unique_ptr<CReceiverConnection> CreateReceiverLink(CLinkOwner& owner, const std::string& receiverString,
                                                        std::string& errorText, int& linkKind);
