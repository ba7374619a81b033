#pragma once
// Bodies of the ZRX data messages, built from one sky epoch. Every message but
// "MS" is binary and closed by its checksum8 byte; "MS" is text closed by two
// uppercase text-checksum digits. Per-satellite arrays follow the "SI" order.
#include <string>
#include <vector>

#include "SkyModel.h"

namespace rcvsim {

// The two-character stream identifier of a requested name ("RT" -> "~~").
std::string zrxStreamId(const std::string& name);
// Names this receiver can output (as "list,/msg/zrx" gives them).
const std::vector<std::string>& zrxNames();
// The frame of message `name` (a list name such as "PG" or "RT"), or "" when unknown.
std::string zrxMessage(const std::string& name, const SkyEpoch& ep);

}  // namespace rcvsim
