#pragma once
// Which satellite and which time an ephemeris message is about: GPS 1019,
// GLONASS 1020, BeiDou 1042, QZSS 1044, Galileo 1045 (F/NAV) and 1046 (I/NAV).
#include <cstdint>

#include "BitReader.h"
#include "Observations.h"

namespace engine::rtcm3 {

struct EphemerisHeader {
  GnssSystem system = GnssSystem::Gps;
  int satellite = 0;     // DF009, DF038, DF488, DF429, DF252
  bool hasWeek = false;  // GLONASS has none
  int week = 0;          // as sent: DF076 (mod 1024), DF489, DF452 (mod 1024), DF289
  // Seconds: toe (DF093, DF505, DF442, DF304) or, for GLONASS, tb (DF110) of the day.
  std::uint32_t toe = 0;
};

bool isEphemeris(unsigned type);
// The reader stands behind DF002. False when the body ends before the fields do.
bool readEphemerisHeader(BitReader& r, unsigned type, EphemerisHeader& out);

}  // namespace engine::rtcm3
