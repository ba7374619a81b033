#pragma once
// The epoch record: what one epoch's messages say about time, position,
// velocity, course, dilution of precision and the satellites in view.
// Built once per epoch (GnssEpoch::record) and then only read. Every value
// that may be missing is an optional: 0 is a value, absence is not.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "decode/interfaces/IMessageGNSS.h"

namespace Tellus {

enum EpochFlags : std::uint32_t {
  kHasGga = 0x01,
  kHasPosition = 0x02,
  kHasDop = 0x04,
  kHasAccuracy = 0x08,
  kHasSatellites = 0x10,
  kHasTimeOfDay = 0x20,
  kHasDate = 0x40,
  kHasCourse = 0x80,
  kHasCourseOverGround = 0x400,
};

// One date-time slot: year, month, day of week, day, hour, minute, second, milliseconds.
struct TLTime {
  std::uint16_t year = 0, month = 0, dayOfWeek = 0, day = 0, hour = 0, minute = 0, second = 0,
                millisecond = 0;
};

struct TLPosition {
  int kind = 0;
  double cartesian[4] = {0, 0, 0, 0};
  std::optional<double> latitude, longitude, height;  // degrees (south, west negative), metres
  std::optional<double> accuracy;
};

struct TLCourse {
  std::optional<double> speedKmh, course, magneticVariation, courseOverGround;
};

struct TLDilutionOfPrecision {
  std::optional<double> gdop, pdop, hdop, vdop, tdop;
};

// Systems: SatelliteSystem codes (1 GPS, 2 GLONASS, 3 Galileo, 4 SBAS, 5
// unset, 6 BeiDou, 7 QZSS, 8 NavIC).
struct TLSatellite {
  int system = 5;
  int number = 0;      // within its system
  int nmeaNumber = 0;  // as the sentence gave it
  std::optional<int> elevation, azimuth, snr;
  // The signal `snr` is of (the GSV signal identifier, empty when the
  // sentences give none), and the other signals' SNR by identifier.
  std::string signal;
  std::map<std::string, int> signals;
};

struct TLEpochStructure {
  std::uint32_t flags = 0;
  TLTime time[5];
  bool hasTime = false, hasDate = false;
  TLPosition position, velocity;
  TLCourse course;
  TLDilutionOfPrecision dilution;
  std::optional<double> differentialAge;
  std::optional<std::uint32_t> stationNumber, fixQuality, satellitesUsed, satellitesInView;
  // ZRX "SG": RMS errors (horizontal and vertical position and velocity), metres and m/s.
  std::optional<double> rmsPosition[2], rmsVelocity[2];
  std::vector<TLSatellite> satellites;  // by system (systemRank), then number
  std::map<int, std::size_t> byNumber;  // NMEA number -> index of the first satellite with it

  // Only while building.
  std::optional<double> ggaHdop;
  bool hasGsa = false;
  std::map<std::pair<int, int>, TLSatellite> pendingSatellites;  // (system rank, number)
  std::map<std::string, std::uint32_t> viewTotals;               // talker -> its first GSV total

  bool has(std::uint32_t f) const { return (flags & f) == f; }
  const TLSatellite* satellite(std::size_t i) const {
    return i < satellites.size() ? &satellites[i] : nullptr;
  }
  const TLSatellite* satelliteByNumber(int nmeaNumber) const;
};

// Adds what one message says (other formats and identifiers are ignored).
void addToRecord(TLEpochStructure& record, engine::IMessageGNSS* message);
// Fills the derived values (HDOP from GGA without GSA, the satellite index).
void finishRecord(TLEpochStructure& record);

}  // namespace Tellus
