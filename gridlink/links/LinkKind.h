#pragma once
// The kinds of receiver link and the receiver-string prefixes that name them: the one table
// that both the link factory and the local server read. A kind's number is what the local
// server stores in the link (a TCP link gets the longer command wait).
#include <string_view>

enum LinkKind : int { kLinkCom = 0, kLinkTcp = 1, kLinkUsb = 2, kLinkGsm = 3, kLinkWifi = 4 };

// The kind named by the first three characters of a receiver string ("COM", "TCP", "USB",
// "GSM", "WIF" for the "WIFI:" form); -1 when they name none.
int LinkKindOf(std::string_view receiverString);
