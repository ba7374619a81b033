#pragma once
// What the observation messages (MSM 1071-1137 and the legacy 1001-1004,
// 1009-1012) say about their epoch, without the measurements themselves.
#include <cstdint>
#include <vector>

namespace engine::rtcm3 {

enum class GnssSystem { Gps, Glonass, Galileo, Sbas, Qzss, Beidou, Navic };

const char* systemName(GnssSystem s);  // "GPS", "GLONASS", "Galileo", "SBAS", "QZSS", "BeiDou", "NavIC"

struct ObservationHeader {
  unsigned station = 0;  // DF003
  GnssSystem system = GnssSystem::Gps;
  int msmKind = 0;  // 1..7 for MSM1..MSM7; 0 for the legacy messages
  // Epoch time in milliseconds: of the week for GPS, Galileo, QZSS, SBAS, NavIC
  // (DF004, DF248, DF428) and BeiDou (DF427, its own time); of the day for
  // GLONASS (DF034), whose MSM also sends the day of the week (DF416, 7: unknown).
  std::uint32_t epochMs = 0;
  int dayOfWeek = -1;           // GLONASS MSM only
  bool multiple = false;        // DF393 (MSM) or DF005 (legacy): more messages of this epoch follow
  std::vector<int> satellites;  // MSM: satellite ids of DF394 (1..64); legacy: DF009 / DF038
  std::vector<int> signalIds;   // MSM: signal ids of DF395 (1..32)
  int cells = 0;                // MSM: cells set in DF396
};

}  // namespace engine::rtcm3
