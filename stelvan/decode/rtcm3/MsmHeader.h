#pragma once
// The header of the multiple signal messages (MSM1 to MSM7 of GPS, GLONASS,
// Galileo, SBAS, QZSS, BeiDou and NavIC: 1071-1137).
#include "BitReader.h"
#include "Observations.h"

namespace engine::rtcm3 {

// True for 1071-1077, 1081-1087, ..., 1131-1137.
bool isMsm(unsigned type);
// The reader stands behind DF002. False when the body ends inside the header
// or the masks ask for more cells than an MSM may carry (64).
bool readMsmHeader(BitReader& r, unsigned type, ObservationHeader& out);

}  // namespace engine::rtcm3
