// NMEA sentences into the epoch record: GGA, GSA, GSV, RMC, VTG, ZDA (GLL
// carries nothing the record keeps that GGA does not).
#include "NmeaEpochFields.h"

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "EpochRecord.h"
#include "SatelliteSystems.h"

namespace Tellus::nmea {

namespace {

std::optional<double> number(const std::string& f) {
  if (f.empty()) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(f.c_str(), &end);
  if (!end || *end) return std::nullopt;
  return v;
}

std::optional<int> integer(const std::string& f) {
  const auto v = number(f);
  return v ? std::optional<int>(static_cast<int>(*v)) : std::nullopt;
}

// "ddmm.mmmm" with `degreeDigits` degree digits; negative for "S"/"W".
std::optional<double> angle(const std::string& f, std::size_t degreeDigits, const std::string& hemisphere) {
  if (f.size() <= degreeDigits) return std::nullopt;
  const auto deg = number(f.substr(0, degreeDigits));
  const auto min = number(f.substr(degreeDigits));
  if (!deg || !min) return std::nullopt;
  const double v = *deg + *min / 60.0;
  return hemisphere == "S" || hemisphere == "W" ? -v : v;
}

// "hhmmss[.fff]": milliseconds exact from the fraction's digits.
bool timeOfDay(const std::string& f, TLTime& t) {
  if (f.size() < 6) return false;
  for (std::size_t i = 0; i < 6; ++i)
    if (f[i] < '0' || f[i] > '9') return false;
  t.hour = static_cast<std::uint16_t>((f[0] - '0') * 10 + (f[1] - '0'));
  t.minute = static_cast<std::uint16_t>((f[2] - '0') * 10 + (f[3] - '0'));
  t.second = static_cast<std::uint16_t>((f[4] - '0') * 10 + (f[5] - '0'));
  t.millisecond = 0;
  if (f.size() > 7 && f[6] == '.') {
    unsigned ms = 0, scale = 100;
    for (std::size_t i = 7; i < f.size() && scale > 0; ++i, scale /= 10) {
      if (f[i] < '0' || f[i] > '9') return false;
      ms += static_cast<unsigned>(f[i] - '0') * scale;
    }
    t.millisecond = static_cast<std::uint16_t>(ms);
  }
  return true;
}

void gga(TLEpochStructure& r, const std::vector<std::string>& f) {
  if (f.size() != 16) return;
  r.flags |= kHasGga;
  if (timeOfDay(f[1], r.time[0])) {
    r.flags |= kHasTimeOfDay;
    r.hasTime = true;
  }
  const auto lat = angle(f[2], 2, f[3]), lon = angle(f[4], 3, f[5]);
  if (lat && lon) {
    r.flags |= kHasPosition;
    r.position.latitude = lat;
    r.position.longitude = lon;
    const auto alt = number(f[9]), sep = number(f[11]);
    if (alt) r.position.height = *alt + sep.value_or(0.0);
  }
  if (const auto q = integer(f[6])) r.fixQuality = static_cast<std::uint32_t>(*q);
  if (const auto n = integer(f[7])) {
    r.satellitesUsed = static_cast<std::uint32_t>(*n);
    r.flags |= kHasSatellites;
  }
  if (const auto h = number(f[8])) {
    r.ggaHdop = h;
  }
  r.differentialAge = number(f[13]);
  if (const auto s = integer(f[14])) r.stationNumber = static_cast<std::uint32_t>(*s);
}

void gsa(TLEpochStructure& r, const std::vector<std::string>& f) {
  if (f.size() < 18) return;
  r.dilution.pdop = number(f[15]);
  r.dilution.hdop = number(f[16]);
  r.dilution.vdop = number(f[17]);
  r.hasGsa = true;
  r.flags |= kHasDop;
}

// One satellite of a GSV sentence: the first signal seen gives `snr`,
// others go to `signals`, so a second signal's sentences overwrite nothing.
void addSatellite(TLEpochStructure& r, const TLSatellite& in, const std::string& signal) {
  const auto key = std::make_pair(systemRank(in.system), in.number);
  auto it = r.pendingSatellites.find(key);
  if (it == r.pendingSatellites.end()) {
    TLSatellite s = in;
    s.signal = signal;
    r.pendingSatellites.emplace(key, std::move(s));
    return;
  }
  TLSatellite& s = it->second;
  if (!s.elevation) s.elevation = in.elevation;
  if (!s.azimuth) s.azimuth = in.azimuth;
  if (signal == s.signal) {
    if (in.snr) s.snr = in.snr;
  } else if (in.snr) {
    s.signals[signal] = *in.snr;
  }
}

void gsv(TLEpochStructure& r, const std::vector<std::string>& f) {
  if (f.size() < 5) return;
  const std::string talker = f[0].size() >= 3 ? f[0].substr(1, 2) : std::string();
  // Each talker's total counts once, from its first sentence (its first signal).
  if (const auto n = integer(f[3]))
    r.viewTotals.emplace(talkerSystem(talker) == kSystemBeidou ? "GB" : talker,
                         static_cast<std::uint32_t>(*n));
  r.flags |= kHasSatellites;
  // Groups of four after the three counts, then (from NMEA 4.10 on) the
  // signal identifier; the last field is the checksum.
  const std::size_t values = f.size() - 5;
  const std::string signal = values % 4 == 1 ? f[f.size() - 2] : std::string();
  for (std::size_t i = 4; i + 4 <= 4 + values - values % 4; i += 4) {
    const auto nmeaNumber = integer(f[i]);
    if (!nmeaNumber || *nmeaNumber <= 0) continue;
    const SatelliteId id = satelliteOf(talker, *nmeaNumber);
    TLSatellite s;
    s.nmeaNumber = *nmeaNumber;
    s.system = id.system;
    s.number = id.number;
    s.elevation = integer(f[i + 1]);
    s.azimuth = integer(f[i + 2]);
    s.snr = integer(f[i + 3]);
    addSatellite(r, s, signal);
  }
}

void rmc(TLEpochStructure& r, const std::vector<std::string>& f) {
  if (f.size() < 12) return;
  r.flags |= kHasCourse;
  if (const auto kn = number(f[7])) r.course.speedKmh = *kn * 1.852;
  r.course.course = number(f[8]);
  if (const auto var = number(f[10])) r.course.magneticVariation = f[11] == "E" ? *var : -*var;
}

void vtg(TLEpochStructure& r, const std::vector<std::string>& f) {
  if (f.size() < 3) return;
  r.flags |= kHasCourseOverGround;
  r.course.courseOverGround = number(f[1]);
}

void zda(TLEpochStructure& r, const std::vector<std::string>& f) {
  if (f.size() < 5) return;
  const auto d = integer(f[2]), m = integer(f[3]), y = integer(f[4]);
  if (!d || !m || !y) return;
  r.time[0].day = static_cast<std::uint16_t>(*d);
  r.time[0].month = static_cast<std::uint16_t>(*m);
  r.time[0].year = static_cast<std::uint16_t>(*y);
  r.hasDate = true;
  r.flags |= kHasDate;
}

}  // namespace

std::vector<std::string> splitSentence(const std::string& s) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (c == '\r' || c == '\n') break;
    if (c == ',' || c == '*')
      out.emplace_back();
    else
      out.back().push_back(c);
  }
  return out;
}

void addSentence(TLEpochStructure& r, const std::string& type, const std::string& sentence) {
  const auto f = splitSentence(sentence);
  if (type == "GGA")
    gga(r, f);
  else if (type == "GSA")
    gsa(r, f);
  else if (type == "GSV")
    gsv(r, f);
  else if (type == "RMC")
    rmc(r, f);
  else if (type == "VTG")
    vtg(r, f);
  else if (type == "ZDA")
    zda(r, f);
}

}  // namespace Tellus::nmea
