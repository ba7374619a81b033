#include "LegacyObservations.h"

namespace engine::rtcm3 {

namespace {
// Bits of one satellite's record, satellite number first, by type.
int recordBits(unsigned type) {
  switch (type) {
    case 1001:
      return 58;
    case 1002:
      return 74;
    case 1003:
      return 101;
    case 1004:
      return 125;
    case 1009:
      return 64;
    case 1010:
      return 79;
    case 1011:
      return 107;
    case 1012:
      return 130;
  }
  return 0;
}
}  // namespace

bool isLegacyObservation(unsigned type) {
  return recordBits(type) != 0;
}

bool readLegacyObservations(BitReader& r, unsigned type, ObservationHeader& out) {
  const int record = recordBits(type);
  if (record == 0) return false;
  const bool glonass = type >= 1009;
  out.system = glonass ? GnssSystem::Glonass : GnssSystem::Gps;
  out.msmKind = 0;
  out.station = static_cast<unsigned>(r.u(12));                      // DF003
  out.epochMs = static_cast<std::uint32_t>(r.u(glonass ? 27 : 30));  // DF034 / DF004
  out.multiple = r.u(1) != 0;                                        // DF005
  const auto count = static_cast<int>(r.u(5));                       // DF035 / DF006
  r.skip(4);                                                         // DF036/DF007, DF037/DF008 smoothing
  out.satellites.clear();
  for (int i = 0; i < count && r.ok(); ++i) {
    out.satellites.push_back(static_cast<int>(r.u(6)));  // DF038 / DF009
    r.skip(static_cast<std::size_t>(record - 6));
  }
  return r.ok();
}

}  // namespace engine::rtcm3
