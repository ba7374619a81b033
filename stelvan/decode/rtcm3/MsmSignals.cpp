#include "MsmSignals.h"

namespace engine::rtcm3 {

namespace {

// Indexed by id - 1; "" where the standard assigns nothing.
using Table = const char* const[32];
constexpr Table kGps = {"",   "1C", "1P", "1W", "",   "",   "",   "2C", "2P", "2W", "",
                        "",   "",   "",   "2S", "2L", "2X", "",   "",   "",   "",   "5I",
                        "5Q", "5X", "",   "",   "",   "",   "",   "1S", "1L", "1X"};
constexpr Table kGlonass = {"", "1C", "1P", "", "", "", "", "2C", "2P", "", "", "", "", "", "", "",
                            "", "",   "",   "", "", "", "", "",   "",   "", "", "", "", "", "", ""};
constexpr Table kGalileo = {"",   "1C", "1A", "1B", "1X", "1Z", "",   "6C", "6A", "6B", "6X",
                            "6Z", "",   "7I", "7Q", "7X", "",   "8I", "8Q", "8X", "",   "5I",
                            "5Q", "5X", "",   "",   "",   "",   "",   "",   "",   ""};
constexpr Table kSbas = {"", "1C", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
                         "", "",   "", "", "", "5I", "5Q", "5X", "", "", "", "", "", "", "", ""};
constexpr Table kQzss = {"",   "1C", "",   "",   "",   "",   "",   "",   "6S", "6L", "6X",
                         "",   "",   "",   "2S", "2L", "2X", "",   "",   "",   "",   "5I",
                         "5Q", "5X", "",   "",   "",   "",   "",   "1S", "1L", "1X"};
constexpr Table kBeidou = {"",   "2I", "2Q", "2X", "",   "",   "",   "6I", "6Q", "6X", "",
                           "",   "",   "7I", "7Q", "7X", "",   "",   "",   "",   "",   "5D",
                           "5P", "5X", "7D", "",   "",   "",   "",   "1D", "1P", "1X"};
constexpr Table kNavic = {"", "", "", "", "", "", "", "9A", "", "", "", "", "", "", "", "",
                          "", "", "", "", "", "5A", "", "", "", "", "", "", "", "", "", ""};

}  // namespace

std::string msmSignalName(GnssSystem system, int id) {
  if (id < 1 || id > 32) return std::string();
  switch (system) {
    case GnssSystem::Gps:
      return kGps[id - 1];
    case GnssSystem::Glonass:
      return kGlonass[id - 1];
    case GnssSystem::Galileo:
      return kGalileo[id - 1];
    case GnssSystem::Sbas:
      return kSbas[id - 1];
    case GnssSystem::Qzss:
      return kQzss[id - 1];
    case GnssSystem::Beidou:
      return kBeidou[id - 1];
    case GnssSystem::Navic:
      return kNavic[id - 1];
  }
  return std::string();
}

}  // namespace engine::rtcm3
