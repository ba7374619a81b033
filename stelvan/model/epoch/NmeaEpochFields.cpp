// NMEA sentences into the epoch record: GGA, GSA, GSV, RMC, VTG, ZDA (GLL
// carries nothing the record keeps that GGA does not).
#include <cstdlib>
#include <string>
#include <vector>

#include "EpochRecord.h"
#include "NmeaEpochFields.h"

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

void gsv(TLEpochStructure& r, const std::vector<std::string>& f) {
  if (f.size() < 5) return;
  if (const auto n = integer(f[3])) r.satellitesInView = static_cast<std::uint32_t>(*n);
  r.flags |= kHasSatellites;
  // Groups of four after the three counts; the last field is the checksum.
  for (std::size_t i = 4; i + 3 < f.size(); i += 4) {
    const auto nmeaNumber = integer(f[i]);
    if (!nmeaNumber || *nmeaNumber <= 0) continue;
    TLSatellite s;
    s.nmeaNumber = *nmeaNumber;
    s.number = *nmeaNumber;
    if (*nmeaNumber <= 32) {
      s.system = 1;
    } else if (*nmeaNumber <= 64) {
      s.system = 4;
    } else if (*nmeaNumber <= 88) {
      s.system = 2;
      s.number = *nmeaNumber - 64;
    }
    s.elevation = integer(f[i + 1]);
    s.azimuth = integer(f[i + 2]);
    s.snr = integer(f[i + 3]);
    r.pendingSatellites[*nmeaNumber] = s;
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
