#pragma once
// The sky as the session's stream reports it: every satellite of every system the receiver
// lists in its "SI" message, with elevation, azimuth and signal-to-noise values from the
// per-satellite messages of the same round, and the track each satellite drew. A satellite
// that no round has listed for kExpiryMs drops out. No widgets; one thread (the GUI's).
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "decode/parsers/ZrxSatellites.h"

namespace plots {

using SatSystem = engine::zrx::SatSystem;

struct SatId {
  SatSystem system = SatSystem::Gps;
  int number = 0;  // PRN; GLONASS slot (100 + index when the receiver gave none)
  auto operator<=>(const SatId&) const = default;
};

struct LiveSat {
  SatId id;
  int elevation = 0, azimuth = 0;  // degrees
  int channel = 0;                 // GLONASS frequency channel
  // dB-Hz of "EC", "E1", "E2", "E3", "E5"; 0 where the satellite has none.
  int snr[5] = {};
  std::int64_t heardMs = 0;
};

class LiveSky {
 public:
  static constexpr std::int64_t kExpiryMs = 10000;
  static constexpr std::size_t kMaxTrackPoints = 4096;  // per satellite; older points drop out
  using Clock = std::function<std::int64_t()>;

  explicit LiveSky(Clock clock = {});

  // The messages of one round, whole ZRX frames in any order; uses "SI", "NN", "EL", "AZ",
  // "EC", "E1", "E2", "E3", "E5" and ignores the rest. Arrays without an "SI" in the same
  // round follow the latest one. Damaged or short frames are left out.
  void update(const std::vector<std::string>& messages);
  // The satellites heard within kExpiryMs, by system and number; older ones are forgotten.
  std::vector<LiveSat> satellites();
  // Every (azimuth, elevation) each satellite was seen at since the last clear().
  const std::map<SatId, std::vector<std::pair<short, short>>>& tracks() const { return tracks_; }
  void clear();

  // A ZRX satellite index as engine::zrx::satelliteOfIndex reads it, a GLONASS satellite
  // numbered by its slot. Nothing for an index of no system.
  static std::optional<SatId> fromIndex(int index, int glonassSlot);
  // "G5", "R12", "E11", "S20" (PRN 120), "J1" (PRN 193), "C14".
  static std::string label(const SatId& id);
  static const char* systemName(SatSystem system);
  // 0x00RRGGBB: a family of shades per system.
  static std::uint32_t colour(const SatId& id);
  // The marker popup: el, az and the signal values the satellite has.
  static std::string popupText(const LiveSat& s);

 private:
  void expire(std::int64_t now);

  Clock clock_;
  std::vector<int> layout_;  // the latest "SI" indices
  std::vector<int> slots_;   // the latest "NN" slots
  std::map<SatId, LiveSat> sats_;
  std::map<SatId, std::vector<std::pair<short, short>>> tracks_;
};

}  // namespace plots
