#pragma once
// The reference station's own messages: its antenna reference point (1005,
// 1006) and its antenna and receiver descriptors (1007, 1008, 1033).
#include <cstdint>
#include <string>

#include "BitReader.h"

namespace engine::rtcm3 {

struct StationArp {
  unsigned station = 0;        // DF003
  unsigned itrfYear = 0;       // DF021
  double x = 0, y = 0, z = 0;  // DF025, DF026, DF027: metres, Earth-fixed
  bool hasHeight = false;
  double antennaHeight = 0;  // DF028 (1006 only), metres
};

struct AntennaDescriptor {
  unsigned station = 0;  // DF003
  std::string antenna;   // DF030
  unsigned setup = 0;    // DF031
  bool hasSerial = false;
  std::string antennaSerial;   // DF033 (1008, 1033)
  bool hasReceiver = false;    // 1033
  std::string receiver;        // DF228
  std::string firmware;        // DF230
  std::string receiverSerial;  // DF232
};

// The reader stands behind DF002. False when the body ends before the fields do.
bool readStationArp(BitReader& r, unsigned type, StationArp& out);
bool readAntennaDescriptor(BitReader& r, unsigned type, AntennaDescriptor& out);

}  // namespace engine::rtcm3
