#pragma once
#include <string>
#include <vector>

#include "EpochRecord.h"

namespace Tellus::nmea {

// A sentence split at "," and "*" (up to the line end).
std::vector<std::string> splitSentence(const std::string& sentence);
// `type` is the sentence type without its talker ("GGA").
void addSentence(TLEpochStructure& record, const std::string& type, const std::string& sentence);

}  // namespace Tellus::nmea
