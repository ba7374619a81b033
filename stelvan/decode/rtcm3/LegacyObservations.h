#pragma once
// The header and satellite numbers of the legacy observation messages:
// GPS 1001-1004 and GLONASS 1009-1012.
#include "BitReader.h"
#include "Observations.h"

namespace engine::rtcm3 {

bool isLegacyObservation(unsigned type);
// The reader stands behind DF002. False when the body ends before the last
// satellite's record does.
bool readLegacyObservations(BitReader& r, unsigned type, ObservationHeader& out);

}  // namespace engine::rtcm3
