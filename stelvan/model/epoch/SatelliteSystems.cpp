#include "SatelliteSystems.h"

namespace Tellus {

int talkerSystem(const std::string& talker) {
  if (talker == "GL") return kSystemGlonass;
  if (talker == "GA") return kSystemGalileo;
  if (talker == "GB" || talker == "BD") return kSystemBeidou;
  if (talker == "GQ") return kSystemQzss;
  if (talker == "GI") return kSystemNavic;
  return kSystemUnset;
}

SatelliteId satelliteOf(const std::string& talker, int n) {
  // Some receivers number a system's satellites in a block of their own.
  const auto within = [n](int system, int blockStart, int blockEnd) {
    return SatelliteId{system, n >= blockStart && n <= blockEnd ? n - blockStart + 1 : n};
  };
  switch (talkerSystem(talker)) {
    case kSystemGlonass:
      return within(kSystemGlonass, 65, 96);
    case kSystemGalileo:
      return within(kSystemGalileo, 301, 336);
    case kSystemBeidou:
      return within(kSystemBeidou, 401, 463);
    case kSystemQzss:
      return within(kSystemQzss, 193, 202);
    case kSystemNavic:
      return {kSystemNavic, n};
    default:
      break;
  }
  if (n >= 1 && n <= 32) return {kSystemGps, n};
  if (n >= 33 && n <= 64) return {kSystemSbas, n};
  if (n >= 65 && n <= 88) return {kSystemGlonass, n - 64};
  return {kSystemUnset, n};
}

int systemRank(int system) {
  switch (system) {
    case kSystemGps:
      return 0;
    case kSystemSbas:
      return 1;
    case kSystemGlonass:
      return 2;
    case kSystemGalileo:
      return 3;
    case kSystemBeidou:
      return 4;
    case kSystemQzss:
      return 5;
    case kSystemNavic:
      return 6;
    default:
      return 7;
  }
}

}  // namespace Tellus
