#pragma once
// Turns a selection of output messages into receiver commands: head + "{"
// + items joined by "," + "}", a new command (with the same head) whenever
// the next item would make one longer than the maximum.
#include <string>
#include <vector>

namespace Tellus {

// Kinds: 1 zrx, 2 def, 3 nmea, 4 rtcm, 5 rtcm3, 6 cmr, 7 binex.
struct OutputMessage {
  int kind = 1;
  std::string name;
  double periodSeconds = 0;
};

std::vector<std::string> buildMessageLists(const std::vector<OutputMessage>& items, const std::string& head,
                                           std::size_t maximumLength);

}  // namespace Tellus
