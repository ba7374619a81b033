#include "plots/SatelliteSky.h"

#include <cstdio>

namespace plots {

namespace {

// Reads a decimal integer at `pos`, moving past it; false when there is none.
bool readInt(std::string_view s, std::size_t& pos, int& out) {
  std::size_t p = pos;
  bool negative = false;
  if (p < s.size() && (s[p] == '-' || s[p] == '+')) negative = s[p++] == '-';
  const std::size_t digits = p;
  long v = 0;
  while (p < s.size() && s[p] >= '0' && s[p] <= '9' && v < 1000000000L) v = v * 10 + (s[p++] - '0');
  if (p == digits) return false;
  out = static_cast<int>(negative ? -v : v);
  pos = p;
  return true;
}

bool expect(std::string_view s, std::size_t& pos, std::string_view text) {
  if (s.substr(pos, text.size()) != text) return false;
  pos += text.size();
  return true;
}

}  // namespace

SatelliteSky::SatelliteSky() : grid_(static_cast<std::size_t>(kAzimuths) * kElevations * kSlots, 0) {}

void SatelliteSky::clear() {
  for (SatSlot& s : slots_) s = SatSlot{};
  std::fill(grid_.begin(), grid_.end(), 0);
}

bool SatelliteSky::tracked(int azimuth, int elevation, int slot) const {
  if (azimuth < 0 || azimuth >= kAzimuths || elevation < 0 || elevation >= kElevations || slot < 0 ||
      slot >= kSlots)
    return false;
  return grid_[cell(azimuth, elevation, slot)] == kSeen;
}

bool SatelliteSky::parse(std::string_view body) {
  const bool gps = body.substr(0, 8) == ",GPSVST,";
  const bool glonass = body.substr(0, 8) == ",GLSVST,";
  if (!gps && !glonass) return false;
  const int first = glonass ? kGpsSlots : 0, last = glonass ? kSlots : kGpsSlots;
  for (int i = first; i < last; ++i) slots_[static_cast<std::size_t>(i)].present = false;
  parseEntries(body.substr(8), glonass);
  return true;
}

// Entries: "N,{number,[channel,]el,az,{v1,...,v5},status},{...},..."
bool SatelliteSky::parseEntries(std::string_view s, bool glonass) {
  std::size_t p = 0;
  int count = 0;
  if (!readInt(s, p, count) || !expect(s, p, ",{")) return false;
  for (int n = 0; n < count; ++n) {
    int number = 0, channel = 0, el = 0, az = 0, values[6] = {};
    if (!readInt(s, p, number) || !expect(s, p, ",")) return false;
    if (glonass && (!readInt(s, p, channel) || !expect(s, p, ","))) return false;
    if (!readInt(s, p, el) || !expect(s, p, ",") || !readInt(s, p, az) || !expect(s, p, ",{")) return false;
    // Up to five values; fewer leave the rest at 0.
    for (int k = 0; k < 5 && p < s.size() && s[p] != '}'; ++k) {
      if (!readInt(s, p, values[k])) return false;
      if (p < s.size() && s[p] == ',') ++p;
    }
    if (!expect(s, p, "},") || !readInt(s, p, values[5]) || !expect(s, p, "}")) return false;
    const int index = glonass ? number + 36 : number - 1;
    if ((glonass && (number < 1 || number > 24)) || (!glonass && (number < 1 || number > 37))) {
      expect(s, p, ",{");
      continue;
    }
    SatSlot& slot = slots_[static_cast<std::size_t>(index)];
    slot.present = true;
    slot.elevation = el;
    slot.azimuth = az;
    slot.channel = channel;
    for (int k = 0; k < 6; ++k) slot.signal[k] = values[k];
    if (el >= 0 && el <= 90 && az >= 0 && az <= 360) grid_[cell(az, el, index)] = kSeen;
    if (!expect(s, p, ",{")) break;
  }
  return true;
}

std::uint32_t SatelliteSky::slotColour(int slot) {
  // Colours step through blue (GPS) or red (GLONASS) in 16s, with a green level that
  // advances each time the step wraps, so neighbouring slots stay distinguishable.
  static const std::vector<std::uint32_t> table = [] {
    std::vector<std::uint32_t> t;
    const unsigned gpsLevels[5] = {0, 127, 159, 191, 223};
    unsigned blue = 127, index = 0;
    for (int i = 0; i < kGpsSlots; ++i) {
      t.push_back(blue * 65536 + gpsLevels[index] * 256);
      blue += 16;
      if (blue > 255) {
        blue = 127;
        index = (index + 1) % 5;
      }
    }
    const unsigned gloLevels[3] = {0, 127, 191};
    unsigned red = 127;
    index = 0;
    for (int i = kGpsSlots; i < kSlots; ++i) {
      t.push_back(gloLevels[index] * 256 + red);
      red += 16;
      if (red > 255) {
        red = 127;
        index = (index + 1) % 3;
      }
    }
    return t;
  }();
  return slot >= 0 && slot < kSlots ? table[static_cast<std::size_t>(slot)] : 0;
}

std::string SatelliteSky::slotLabel(int slot) {
  return slot < kGpsSlots ? "G" + std::to_string(slot + 1) : "R" + std::to_string(slot - 36);
}

std::string SatelliteSky::popupText(int index) const {
  const SatSlot& s = slot(index);
  char line[160];
  if (index < kGpsSlots) {
    std::snprintf(line, sizeof line, "%2d%4d%3d%3d%3d %3d%3d%3d", s.elevation, s.azimuth, s.signal[0],
                  s.signal[1], s.signal[2], s.signal[3], s.signal[4], s.signal[5]);
    // The header's byte 0xF1 is the plus-minus sign of the receiver's text fonts.
    return std::string("el  az   ca p1 p2 l2\u00B1 l5 ss\n") + line;
  }
  std::snprintf(line, sizeof line, "%2d %3d %2d %2d % 2d % 2d % 2d % 2d", s.elevation, s.azimuth, s.signal[0],
                s.signal[1], s.signal[2], s.signal[3], s.signal[4], s.signal[5]);
  return std::string("el  az   ca p1 p2 ca2 l3 ss\n") + line;
}

}  // namespace plots
