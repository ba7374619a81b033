#include "plots/LiveSky.h"

#include <chrono>
#include <cstdio>

#include "decode/parsers/ZrxBodies.h"
#include "plots/SatelliteSky.h"

namespace plots {

namespace {

const char* const kSignalIds[5] = {"EC", "E1", "E2", "E3", "E5"};
// As the main view's satellite tables head them.
const char* const kSignalNames[5] = {"CA", "P1", "P2", "L2C", "L5"};

std::optional<engine::zrx::SatValues> arrayOf(const std::string& m) {
  return engine::zrx::readSatelliteArray(reinterpret_cast<const std::uint8_t*>(m.data()), m.size());
}

int valueAt(const std::optional<engine::zrx::SatValues>& a, std::size_t i, int none) {
  return a && i < a->size() && (*a)[i] ? static_cast<int>(*(*a)[i]) : none;
}

std::uint32_t shade(std::uint32_t base, int number) {
  // Neighbouring numbers of one system step through four shades of its colour.
  const int k = ((number % 4) + 4) % 4;
  const auto part = [&](int shift) {
    const int v = static_cast<int>((base >> shift) & 0xFF);
    return static_cast<std::uint32_t>(v * (4 - k) / 4 + 40 * k / 4) << shift;
  };
  return part(16) | part(8) | part(0);
}

std::uint32_t bgrToRgb(std::uint32_t bgr) {
  return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

}  // namespace

LiveSky::LiveSky(Clock clock) : clock_(std::move(clock)) {
  if (!clock_)
    clock_ = [] {
      return std::chrono::duration_cast<std::chrono::milliseconds>(
                 std::chrono::steady_clock::now().time_since_epoch())
          .count();
    };
}

std::optional<SatId> LiveSky::fromIndex(int index, int glonassSlot) {
  const auto sat = engine::zrx::satelliteOfIndex(index);
  if (!sat) return std::nullopt;
  if (sat->system == SatSystem::Glonass)
    return SatId{SatSystem::Glonass, glonassSlot >= 1 && glonassSlot <= 24 ? glonassSlot : 100 + index};
  return SatId{sat->system, sat->number};
}

void LiveSky::update(const std::vector<std::string>& messages) {
  std::map<std::string, std::optional<engine::zrx::SatValues>> arrays;
  for (const std::string& m : messages)
    if (m.size() >= 2) arrays[m.substr(0, 2)] = arrayOf(m);
  if (auto si = arrays.find("SI"); si != arrays.end() && si->second) {
    layout_.clear();
    for (const auto& v : *si->second) layout_.push_back(v ? *v : -1);
    slots_.assign(layout_.size(), 0);
  }
  if (auto nn = arrays.find("NN"); nn != arrays.end() && nn->second && nn->second->size() == layout_.size())
    for (std::size_t i = 0; i < layout_.size(); ++i) slots_[i] = valueAt(nn->second, i, 0);
  const std::int64_t now = clock_();
  const auto& el = arrays["EL"];
  const auto& az = arrays["AZ"];
  if (!el || !az || el->size() != layout_.size() || az->size() != layout_.size()) return expire(now);
  for (std::size_t i = 0; i < layout_.size(); ++i) {
    const auto id = fromIndex(layout_[i], slots_[i]);
    if (!id || !(*el)[i] || !(*az)[i]) continue;
    LiveSat& s = sats_[*id];
    s.id = *id;
    s.elevation = *(*el)[i];
    s.azimuth = *(*az)[i] * 2;  // sent in units of two degrees
    s.channel = layout_[i] - 45;
    for (int k = 0; k < 5; ++k) {
      const auto a = arrays.find(kSignalIds[k]);
      s.snr[k] = a == arrays.end() || !a->second || a->second->size() != layout_.size()
                     ? 0
                     : valueAt(a->second, i, 0);
    }
    s.heardMs = now;
    if (s.elevation >= 0 && s.elevation <= 90) {
      auto& track = tracks_[*id];
      const std::pair<short, short> at{static_cast<short>(s.azimuth), static_cast<short>(s.elevation)};
      if (track.empty() || track.back() != at) track.push_back(at);
      if (track.size() > kMaxTrackPoints) track.erase(track.begin());
    }
  }
  expire(now);
}

void LiveSky::expire(std::int64_t now) {
  for (auto it = sats_.begin(); it != sats_.end();)
    it = now - it->second.heardMs >= kExpiryMs ? sats_.erase(it) : std::next(it);
}

std::vector<LiveSat> LiveSky::satellites() {
  expire(clock_());
  std::vector<LiveSat> out;
  out.reserve(sats_.size());
  for (const auto& [id, s] : sats_) out.push_back(s);
  return out;
}

void LiveSky::clear() {
  layout_.clear();
  slots_.clear();
  sats_.clear();
  tracks_.clear();
}

const char* LiveSky::systemName(SatSystem system) {
  switch (system) {
    case SatSystem::Gps:
      return "GPS";
    case SatSystem::Glonass:
      return "GLONASS";
    case SatSystem::Galileo:
      return "Galileo";
    case SatSystem::Sbas:
      return "SBAS";
    case SatSystem::Qzss:
      return "QZSS";
    case SatSystem::Beidou:
      return "BeiDou";
  }
  return "";
}

std::string LiveSky::label(const SatId& id) {
  switch (id.system) {
    case SatSystem::Gps:
      return "G" + std::to_string(id.number);
    case SatSystem::Glonass:
      return "R" + std::to_string(id.number);
    case SatSystem::Galileo:
      return "E" + std::to_string(id.number);
    case SatSystem::Sbas:
      return "S" + std::to_string(id.number - 100);
    case SatSystem::Qzss:
      return "J" + std::to_string(id.number - 192);
    case SatSystem::Beidou:
      return "C" + std::to_string(id.number);
  }
  return "?";
}

std::uint32_t LiveSky::colour(const SatId& id) {
  // GPS and GLONASS keep the receiver window's slot colours (blues and reds).
  switch (id.system) {
    case SatSystem::Gps:
      return bgrToRgb(SatelliteSky::slotColour(id.number - 1));
    case SatSystem::Glonass:
      return id.number <= 24 ? bgrToRgb(SatelliteSky::slotColour(id.number + 36)) : 0xC00000;
    case SatSystem::Galileo:
      return shade(0x008C00, id.number);
    case SatSystem::Sbas:
      return shade(0x808080, id.number);
    case SatSystem::Qzss:
      return shade(0xB000B0, id.number);
    case SatSystem::Beidou:
      return shade(0xC87800, id.number);
  }
  return 0;
}

std::string LiveSky::popupText(const LiveSat& s) {
  char line[128];
  std::snprintf(line, sizeof line, "%s %s\nel %d  az %d\n", systemName(s.id.system), label(s.id).c_str(),
                s.elevation, s.azimuth);
  std::string text = line;
  for (int k = 0; k < 5; ++k) {
    if (s.snr[k] <= 0) continue;
    std::snprintf(line, sizeof line, "%-3s %d dB-Hz\n", kSignalNames[k], s.snr[k]);
    text += line;
  }
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace plots
