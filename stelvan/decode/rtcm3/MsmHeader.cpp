#include "MsmHeader.h"

namespace engine::rtcm3 {

namespace {
constexpr int kMaxCells = 64;  // an MSM carries at most 64 satellite-signal cells
}

const char* systemName(GnssSystem s) {
  switch (s) {
    case GnssSystem::Gps:
      return "GPS";
    case GnssSystem::Glonass:
      return "GLONASS";
    case GnssSystem::Galileo:
      return "Galileo";
    case GnssSystem::Sbas:
      return "SBAS";
    case GnssSystem::Qzss:
      return "QZSS";
    case GnssSystem::Beidou:
      return "BeiDou";
    case GnssSystem::Navic:
      return "NavIC";
  }
  return "";
}

bool isMsm(unsigned type) {
  return type >= 1071 && type <= 1137 && type % 10 >= 1 && type % 10 <= 7;
}

bool readMsmHeader(BitReader& r, unsigned type, ObservationHeader& out) {
  if (!isMsm(type)) return false;
  static constexpr GnssSystem kSystems[] = {GnssSystem::Gps,  GnssSystem::Glonass, GnssSystem::Galileo,
                                            GnssSystem::Sbas, GnssSystem::Qzss,    GnssSystem::Beidou,
                                            GnssSystem::Navic};
  out.system = kSystems[(type - 1071) / 10];
  out.msmKind = static_cast<int>(type % 10);
  out.station = static_cast<unsigned>(r.u(12));  // DF003
  if (out.system == GnssSystem::Glonass) {
    out.dayOfWeek = static_cast<int>(r.u(3));           // DF416
    out.epochMs = static_cast<std::uint32_t>(r.u(27));  // DF034
  } else {
    out.epochMs = static_cast<std::uint32_t>(r.u(30));  // DF004, DF248, DF427, DF428
  }
  out.multiple = r.u(1) != 0;             // DF393
  r.skip(3 + 7 + 2 + 2 + 1 + 3);          // DF409 IODS, DF001 reserved, DF411, DF412, DF417, DF418
  const std::uint64_t satMask = r.u(64);  // DF394
  const std::uint64_t sigMask = r.u(32);  // DF395
  out.satellites.clear();
  out.signalIds.clear();
  for (int i = 0; i < 64; ++i)
    if (satMask >> (63 - i) & 1u) out.satellites.push_back(i + 1);
  for (int i = 0; i < 32; ++i)
    if (sigMask >> (31 - i) & 1u) out.signalIds.push_back(i + 1);
  const std::size_t cellBits = out.satellites.size() * out.signalIds.size();
  if (!r.ok() || cellBits > kMaxCells) return false;
  const std::uint64_t cellMask = r.u(static_cast<unsigned>(cellBits));  // DF396
  out.cells = 0;
  for (std::size_t i = 0; i < cellBits; ++i) out.cells += static_cast<int>(cellMask >> i & 1u);
  return r.ok();
}

}  // namespace engine::rtcm3
