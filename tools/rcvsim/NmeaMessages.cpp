#include "NmeaMessages.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <ctime>

namespace rcvsim {

namespace {

std::string fmt(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* f, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, f);
  std::vsnprintf(buf, sizeof buf, f, ap);
  va_end(ap);
  return buf;
}

struct Clock {
  int h, m, y, mo, d;
  double s;
};

Clock clockOf(std::int64_t utcMs) {
  const std::time_t secs = static_cast<std::time_t>(utcMs / 1000);
  std::tm tm{};
  gmtime_r(&secs, &tm);
  return {tm.tm_hour,    tm.tm_min,  tm.tm_year + 1900,
          tm.tm_mon + 1, tm.tm_mday, tm.tm_sec + static_cast<double>(utcMs % 1000) / 1000.0};
}

// "ddmm.mmmmm,N" style angle.
std::string angle(double rad, bool latitude) {
  const double deg = std::fabs(rad) / 3.14159265358979323846 * 180.0;
  const int whole = static_cast<int>(deg);
  const double minutes = (deg - whole) * 60.0;
  const char hemi = latitude ? (rad < 0 ? 'S' : 'N') : (rad < 0 ? 'W' : 'E');
  return latitude ? fmt("%02d%08.5f,%c", whole, minutes, hemi) : fmt("%03d%08.5f,%c", whole, minutes, hemi);
}

int nmeaNumber(const SatView& s) {
  switch (s.sys) {
    case Gnss::Gps:
      return s.number;
    case Gnss::Glonass:
      return 64 + s.number;
    case Gnss::Sbas:
      return s.number - 87;
    case Gnss::Galileo:
    case Gnss::Beidou:
    case Gnss::Qzss:
      return 0;
  }
  return 0;
}

std::string gsv(const SkyEpoch& ep) {
  std::vector<const SatView*> list;
  for (const SatView& s : ep.sats)
    if (nmeaNumber(s) > 0 && s.sys != Gnss::Glonass) list.push_back(&s);
  std::vector<const SatView*> glo;
  for (const SatView& s : ep.sats)
    if (s.sys == Gnss::Glonass) glo.push_back(&s);
  std::string out;
  for (int pass = 0; pass < 2; ++pass) {
    const auto& v = pass == 0 ? list : glo;
    const char* talker = pass == 0 ? "GP" : "GL";
    const int total = static_cast<int>((v.size() + 3) / 4);
    for (int i = 0; i < total; ++i) {
      std::string b = fmt("%sGSV,%d,%d,%02d", talker, total, i + 1, static_cast<int>(v.size()));
      for (std::size_t k = static_cast<std::size_t>(i) * 4;
           k < v.size() && k < static_cast<std::size_t>(i) * 4 + 4; ++k)
        b += fmt(",%02d,%02d,%03d,%02d", nmeaNumber(*v[k]), static_cast<int>(std::lround(v[k]->elDeg)),
                 static_cast<int>(std::lround(v[k]->azDeg)) % 360, static_cast<int>(std::lround(v[k]->snr)));
      out += nmeaSentence(b);
    }
  }
  return out;
}

}  // namespace

const std::vector<std::string>& nmeaNames() {
  static const std::vector<std::string> n = {"GGA", "GLL", "GSA", "GSV", "RMC", "VTG", "ZDA"};
  return n;
}

std::string nmeaSentence(const std::string& body) {
  unsigned char cs = 0;
  for (char c : body) cs ^= static_cast<unsigned char>(c);
  return "$" + body + fmt("*%02X\r\n", cs);
}

std::string nmeaMessage(const std::string& name, const SkyEpoch& ep) {
  const Clock c = clockOf(ep.utcMs);
  const Solution& s = ep.sol;
  const std::string time = fmt("%02d%02d%05.2f", c.h, c.m, c.s);
  const char* valid = s.type > 0 ? "A" : "V";
  if (name == "GGA") {
    static const int quality[] = {0, 1, 2, 5, 4};
    const std::string diff = s.diffAge >= 0 ? fmt("%.1f,%04d", s.diffAge, s.station) : std::string(",");
    return nmeaSentence(fmt("GPGGA,%s,%s,%s,%d,%02d,%.1f,%.3f,M,0.000,M,%s", time.c_str(),
                            angle(s.geo.lat, true).c_str(), angle(s.geo.lon, false).c_str(),
                            quality[s.type < 0 || s.type > 4 ? 0 : s.type], s.used, s.hdop, s.geo.h, diff.c_str()));
  }
  if (name == "GLL")
    return nmeaSentence(fmt("GPGLL,%s,%s,%s,%s,A", angle(s.geo.lat, true).c_str(),
                            angle(s.geo.lon, false).c_str(), time.c_str(), valid));
  if (name == "GSA") {
    std::string b = fmt("GPGSA,A,%d", s.type > 0 ? 3 : 1);
    int n = 0;
    for (const SatView& v : ep.sats)
      if (v.sys == Gnss::Gps && n < 12) b += fmt(",%02d", v.number), ++n;
    for (; n < 12; ++n) b += ",";
    const double pdop = std::sqrt(s.hdop * s.hdop + s.vdop * s.vdop);
    b += fmt(",%.1f,%.1f,%.1f", pdop, s.hdop, s.vdop);
    return nmeaSentence(b);
  }
  if (name == "GSV") return gsv(ep);
  if (name == "RMC")
    return nmeaSentence(fmt("GPRMC,%s,%s,%s,%s,0.00,0.00,%02d%02d%02d,0.0,E,%s", time.c_str(), valid,
                            angle(s.geo.lat, true).c_str(), angle(s.geo.lon, false).c_str(), c.d, c.mo,
                            c.y % 100, s.type > 0 ? "A" : "N"));
  if (name == "VTG") return nmeaSentence(fmt("GPVTG,0.00,T,,M,0.00,N,0.00,K,%s", s.type > 0 ? "A" : "N"));
  if (name == "ZDA") return nmeaSentence(fmt("GPZDA,%s,%02d,%02d,%04d,00,00", time.c_str(), c.d, c.mo, c.y));
  return std::string();
}

}  // namespace rcvsim
