#pragma once
// What a ZRX satellite index (an entry of "SI") names: the satellite's system and its number
// within that system. Every reader of the per-satellite messages goes through this one map, so
// the main view's tables and the sky plot agree on which satellite is which.
#include <optional>

namespace engine::zrx {

enum class SatSystem { Gps, Glonass, Galileo, Sbas, Qzss, Beidou };

struct IndexedSatellite {
  SatSystem system = SatSystem::Gps;
  // The PRN; for GLONASS the frequency channel (-7..25), as the slot comes only with "NN".
  int number = 0;
};

// 1-37 GPS (PRN), 38-70 GLONASS (frequency channel + 45), 71-103 Galileo (PRN + 70), 120-138
// SBAS (PRN), 193-202 QZSS (PRN), 211-255 BeiDou (PRN + 210). Nothing for any other index.
constexpr std::optional<IndexedSatellite> satelliteOfIndex(int index) {
  if (index >= 1 && index <= 37) return IndexedSatellite{SatSystem::Gps, index};
  if (index >= 38 && index <= 70) return IndexedSatellite{SatSystem::Glonass, index - 45};
  if (index >= 71 && index <= 103) return IndexedSatellite{SatSystem::Galileo, index - 70};
  if (index >= 120 && index <= 138) return IndexedSatellite{SatSystem::Sbas, index};
  if (index >= 193 && index <= 202) return IndexedSatellite{SatSystem::Qzss, index};
  if (index >= 211 && index <= 255) return IndexedSatellite{SatSystem::Beidou, index - 210};
  return std::nullopt;
}

}  // namespace engine::zrx
