#include "RtcmMessages.h"

#include <algorithm>
#include <cmath>

#include "RtcmBitWriter.h"

namespace rcvsim {

namespace {

using BitWriter = RtcmBitWriter;

std::string frame(const BitWriter& w) { return w.frame(); }

void stationArp(BitWriter& w, int type, const Ecef& r) {
  w.put(static_cast<unsigned>(type), 12);        // DF002
  w.put(0, 12);                                  // DF003 station id
  w.put(0, 6);                                   // DF021 ITRF year
  w.put(1, 1);                                   // DF022 GPS
  w.put(1, 1);                                   // DF023 GLONASS
  w.put(1, 1);                                   // DF024 Galileo
  w.put(0, 1);                                   // DF141 physical station
  w.putSigned(std::llround(r.x * 10000.0), 38);  // DF025
  w.put(0, 1);                                   // DF142 single oscillator
  w.put(0, 1);                                   // DF001 reserved
  w.putSigned(std::llround(r.y * 10000.0), 38);  // DF026
  w.put(0, 2);                                   // DF364 quarter cycle
  w.putSigned(std::llround(r.z * 10000.0), 38);  // DF027
}

void putText(BitWriter& w, const std::string& t) {
  w.put(t.size(), 8);
  for (char c : t) w.put(static_cast<unsigned char>(c), 8);
}

}  // namespace

std::uint32_t crc24q(const std::uint8_t* bytes, std::size_t count) {
  std::uint32_t crc = 0;
  for (std::size_t i = 0; i < count; ++i) {
    crc ^= static_cast<std::uint32_t>(bytes[i]) << 16;
    for (int b = 0; b < 8; ++b) {
      crc <<= 1;
      if (crc & 0x1000000) crc ^= 0x1864CFB;
    }
  }
  return crc & 0xFFFFFF;
}

const std::vector<std::string>& rtcmNames() {
  static const std::vector<std::string> n = {"1004", "1005", "1006", "1033", "1074", "1084", "1094", "1104"};
  return n;
}

std::string rtcmMessage(const std::string& name, const SkyEpoch& ep, const Ecef& reference) {
  BitWriter w;
  if (name == "1005" || name == "1006") {
    stationArp(w, name == "1005" ? 1005 : 1006, reference);
    if (name == "1006") w.put(0, 16);  // DF028 antenna height
    return frame(w);
  }
  if (name == "1033") {
    w.put(1033, 12);
    w.put(0, 12);
    putText(w, "SIMANT NONE");
    w.put(0, 8);
    putText(w, "");
    putText(w, "RCVSIM");
    putText(w, "1.0");
    putText(w, "000001");
    return frame(w);
  }
  if (name == "1004") {
    std::vector<const SatView*> gps;
    for (const SatView& s : ep.sats)
      if (s.sys == Gnss::Gps && gps.size() < 31) gps.push_back(&s);
    const std::int64_t weekMs = ((ep.utcMs - 315964800000ll + 18000) % 604800000ll);
    w.put(1004, 12);                                // DF002
    w.put(0, 12);                                   // DF003
    w.put(static_cast<std::uint64_t>(weekMs), 30);  // DF004 GPS epoch time
    w.put(0, 1);                                    // DF005 synchronous GNSS flag
    w.put(gps.size(), 5);                           // DF006
    w.put(0, 1);                                    // DF007
    w.put(0, 3);                                    // DF008
    constexpr double kAmbiguity = 299792.458;
    const double lambda1 = kLight / 1575.42e6, lambda2 = kLight / 1227.60e6;
    for (const SatView* s : gps) {
      const double amb = std::floor(s->range / kAmbiguity);
      const double rest = s->range - amb * kAmbiguity;
      w.put(static_cast<unsigned>(s->number), 6);                           // DF009
      w.put(0, 1);                                                          // DF010 C/A
      w.put(static_cast<std::uint64_t>(std::llround(rest / 0.02)), 24);     // DF011
      w.putSigned(std::llround(0.3 * lambda1 / 0.0005), 20);                // DF012
      w.put(std::min<std::uint32_t>(s->lockSec, 127), 7);                   // DF013
      w.put(static_cast<std::uint64_t>(amb), 8);                            // DF014
      w.put(static_cast<std::uint64_t>(std::lround(s->snr * 4)), 8);        // DF015
      w.put(0, 2);                                                          // DF016
      w.putSigned(std::llround(2.5 / 0.02), 14);                            // DF017
      w.putSigned(std::llround((2.5 + 0.2 * lambda2) / 0.0005), 20);        // DF018
      w.put(std::min<std::uint32_t>(s->lockSec, 127), 7);                   // DF019
      w.put(static_cast<std::uint64_t>(std::lround((s->snr - 6) * 4)), 8);  // DF020
    }
    return frame(w);
  }
  return std::string();
}

}  // namespace rcvsim
