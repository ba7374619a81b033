#pragma once
// NMEA 0183 sentences (GGA, GLL, GSA, GSV, RMC, VTG, ZDA) of one sky epoch,
// each "$..*hh" followed by CR LF.
#include <string>
#include <vector>

#include "SkyModel.h"

namespace rcvsim {

const std::vector<std::string>& nmeaNames();
// The sentence(s) of `name` (GSV gives several), or "" when unknown.
std::string nmeaMessage(const std::string& name, const SkyEpoch& ep);
// "$" + body + "*" + checksum + CR LF.
std::string nmeaSentence(const std::string& body);

}  // namespace rcvsim
