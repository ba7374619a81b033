#pragma once
// The Satellites window's data: 61 satellite slots (0-36 GPS PRN 1-37, 37-60 GLONASS
// slots 1-24) filled from the receiver's satellite status messages, and the track grid
// that remembers every (azimuth, elevation) a slot was seen at. No widgets.
//
// Threads: the receiver's delivery thread parses, the GUI thread paints and hit-tests;
// both hold lock() while they touch the slots or the grid.
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace plots {

struct SatSlot {
  bool present = false;
  int elevation = 0;  // degrees
  int azimuth = 0;    // degrees
  int channel = 0;    // GLONASS frequency channel
  // GPS: ca, p1, p2, l2c, l5, ss; GLONASS: ca, p1, p2, ca2, l3, ss.
  int signal[6] = {};
  int markerX = -1000, markerY = -1000;  // where the marker was last drawn
};

class SatelliteSky {
 public:
  static constexpr int kSlots = 61;
  static constexpr int kGpsSlots = 37;
  static constexpr int kAzimuths = 361, kElevations = 91;
  static constexpr std::uint8_t kSeen = 50;

  SatelliteSky();

  std::mutex& lock() { return lock_; }
  // Forgets every slot and every track (the window reopened).
  void clear();
  // A status message body from behind its id and length: ",GPSVST,..." or ",GLSVST,...".
  // False when it is neither; a damaged list keeps the entries read before the damage.
  bool parse(std::string_view body);

  SatSlot& slot(int i) { return slots_[static_cast<std::size_t>(i)]; }
  const SatSlot& slot(int i) const { return slots_[static_cast<std::size_t>(i)]; }
  bool tracked(int azimuth, int elevation, int slot) const;

  // 0x00BBGGRR, the same for every window.
  static std::uint32_t slotColour(int slot);
  // "G5" for GPS PRN 5, "R12" for GLONASS slot 12.
  static std::string slotLabel(int slot);
  // The marker popup's text for a slot.
  std::string popupText(int slot) const;

 private:
  bool parseEntries(std::string_view rest, bool glonass);
  std::size_t cell(int azimuth, int elevation, int slot) const {
    return (static_cast<std::size_t>(azimuth) * kElevations + static_cast<std::size_t>(elevation)) * kSlots +
           static_cast<std::size_t>(slot);
  }

  std::mutex lock_;
  SatSlot slots_[kSlots];
  std::vector<std::uint8_t> grid_;
};

}  // namespace plots
