#pragma once
// The five parsers every analysis starts with, added in this order:
// ZRX, NMEA, RTCM, RTCM_3, CMR (the analyser's pool stores clones).
#include "../interfaces/I_Analyser.h"

namespace engine {

void registerDefaultParsers(I_Analyser* analyser);

}  // namespace engine
