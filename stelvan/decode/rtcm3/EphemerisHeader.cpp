#include "EphemerisHeader.h"

namespace engine::rtcm3 {

namespace {

struct Layout {
  unsigned type;
  GnssSystem system;
  unsigned satBits;
  int weekBits;        // 0: no week
  std::size_t weekAt;  // bit offset after DF002
  std::size_t toeAt;
  unsigned toeBits;
  std::uint32_t toeScale;  // seconds per unit
};

// Offsets counted from the end of DF002 through the fields the standard puts in between.
constexpr Layout kLayouts[] = {
    {1019, GnssSystem::Gps, 6, 10, 6, 276, 16, 16},      // DF076 week, DF093 toe
    {1020, GnssSystem::Glonass, 6, 0, 0, 29, 7, 900},    // DF110 tb (15 minutes)
    {1042, GnssSystem::Beidou, 6, 13, 6, 287, 17, 8},    // DF489 week, DF505 toe
    {1044, GnssSystem::Qzss, 4, 10, 434, 234, 16, 16},   // DF452 week, DF442 toe
    {1045, GnssSystem::Galileo, 6, 12, 6, 282, 14, 60},  // DF289 week, DF304 toe
    {1046, GnssSystem::Galileo, 6, 12, 6, 282, 14, 60},
};

const Layout* layoutOf(unsigned type) {
  for (const Layout& l : kLayouts)
    if (l.type == type) return &l;
  return nullptr;
}

}  // namespace

bool isEphemeris(unsigned type) {
  return layoutOf(type) != nullptr;
}

bool readEphemerisHeader(BitReader& r, unsigned type, EphemerisHeader& out) {
  const Layout* l = layoutOf(type);
  if (!l) return false;
  const std::size_t base = r.position();
  out.system = l->system;
  out.satellite = static_cast<int>(r.u(l->satBits));
  out.hasWeek = l->weekBits > 0;
  // Fields come in increasing offset order in every layout but QZSS, whose week follows toe.
  const auto seek = [&](std::size_t at) {
    if (base + at >= r.position()) r.skip(base + at - r.position());
  };
  if (out.hasWeek && l->weekAt < l->toeAt) {
    seek(l->weekAt);
    out.week = static_cast<int>(r.u(static_cast<unsigned>(l->weekBits)));
  }
  seek(l->toeAt);
  out.toe = static_cast<std::uint32_t>(r.u(l->toeBits)) * l->toeScale;
  if (out.hasWeek && l->weekAt > l->toeAt) {
    seek(l->weekAt);
    out.week = static_cast<int>(r.u(static_cast<unsigned>(l->weekBits)));
  }
  return r.ok();
}

}  // namespace engine::rtcm3
