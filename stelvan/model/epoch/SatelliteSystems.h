#pragma once
// Which system an NMEA satellite belongs to and its number within it. The
// talker names the system (GL, GA, GB or BD, GQ, GI); where it does not (GP,
// which also carries SBAS and, from older receivers, GLONASS; GN; others)
// the satellite number decides: 1-32 GPS, 33-64 SBAS, 65-88 GLONASS.
#include <string>

namespace Tellus {

// Satellite system codes of the epoch record.
enum SatelliteSystem : int {
  kSystemGps = 1,
  kSystemGlonass = 2,
  kSystemGalileo = 3,
  kSystemSbas = 4,
  kSystemUnset = 5,
  kSystemBeidou = 6,
  kSystemQzss = 7,
  kSystemNavic = 8,
};

struct SatelliteId {
  int system = kSystemUnset;
  int number = 0;
};

// The system a talker names, or kSystemUnset when it names none.
int talkerSystem(const std::string& talker);
// A satellite number of a sentence of `talker` within its system.
SatelliteId satelliteOf(const std::string& talker, int nmeaNumber);
// Order of systems in the record: GPS, SBAS, GLONASS (the order of their
// NMEA numbers), then Galileo, BeiDou, QZSS, NavIC, unset.
int systemRank(int system);

}  // namespace Tellus
