#pragma once
// The "em" text of an "Attach" request: for each known name of the slot's stream kind,
// prefix + name + ":{period,0,-serial+1}," and the pieces that go to the receiver, each
// "%em%em,," + at most 116 characters cut back to the last "}". Pure functions.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "session/MessageTable.h"

namespace LocalSrv {

constexpr std::size_t kAttachPieceText = 116;
constexpr int kDefaultPeriodTenths = 10;

struct AttachPlan {
  std::string text;       // the collected "em" items
  std::string error;      // "ER:Unable period - ..." for the first bad period, else empty
  bool stopAtWl = false;  // a name of the "WL" entry: the request ends, nothing is sent
};

// arg: one hex digit (the attach slot = stream kind), one separator, then names separated by
// commas, each optionally followed by ":" and a period in seconds. A period belongs to the name
// it follows; a name without one gets 1 s.
AttachPlan BuildAttachText(const MessageTable& table, std::string_view arg);

std::vector<std::string> SplitAttachPieces(std::string_view text);

}  // namespace LocalSrv
