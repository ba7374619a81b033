#pragma once
// The eight configuration pages as data, in tab order, and the rules that depend on what the
// receiver answered (model, board, the port the program talks through).
#include <array>
#include <string>
#include <vector>

#include "CPageModel.h"

namespace SetupPages {

constexpr std::array<const char*, 8> kNames = {"General", "MinPad", "Positioning", "Base",
                                               "Rover",   "Ports",  "Event",       "Advanced"};

// Fixed names the pages decide by.
extern const std::array<const char*, 3> kPortsSlotsModels;  // power outputs "Ports:" / "Slots:"
extern const std::array<const char*, 2> kBoardFamilies;     // antenna input not selectable
extern const char* const kModemBModel;                      // GSM modem on /par/modem/b
extern const char* const kDefaultPin;
constexpr const char* kWifiKeyMask = "**************************";

CPageModel general();
CPageModel minPad();
CPageModel positioning();
CPageModel base();
CPageModel rover();
CPageModel ports();
CPageModel event();
CPageModel advanced();
// All eight in tab order.
std::vector<CPageModel> all();

}  // namespace SetupPages
