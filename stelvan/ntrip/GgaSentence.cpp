#include "GgaSentence.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace Ntrip {

namespace {

std::string angle(double deg, int degDigits) {
  const double a = std::fabs(deg);
  int d = static_cast<int>(a);
  double m = (a - d) * 60;
  if (m >= 59.99999995) {  // would print as 60.0000000
    ++d;
    m = 0;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*d%010.7f", degDigits, d, m);
  return buf;
}

std::vector<std::string> fields(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (true) {
    const std::size_t p = s.find(sep, start);
    out.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
    if (p == std::string::npos) return out;
    start = p + 1;
  }
}

bool number(const std::string& s, double& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return *end == '\0' && std::isfinite(out);
}

}  // namespace

std::string BuildGga(const GgaPosition& p, std::int64_t utcMs) {
  const std::int64_t dayMs = ((utcMs % 86400000) + 86400000) % 86400000;
  const int h = static_cast<int>(dayMs / 3600000), m = static_cast<int>(dayMs / 60000 % 60);
  const double s = static_cast<double>(dayMs % 60000) / 1000.0;
  char body[160];
  std::snprintf(body, sizeof body, "GPGGA,%02d%02d%05.2f,%s,%c,%s,%c,1,12,1.0,%.3f,M,0.000,M,,", h, m, s,
                angle(p.latitude, 2).c_str(), p.latitude < 0 ? 'S' : 'N', angle(p.longitude, 3).c_str(),
                p.longitude < 0 ? 'W' : 'E', p.height);
  unsigned char cs = 0;
  for (const char* c = body; *c; ++c) cs ^= static_cast<unsigned char>(*c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", cs);
  return std::string("$") + body + tail;
}

bool ParsePosition(const std::string& text, GgaPosition& out) {
  const std::vector<std::string> f = fields(text, ',');
  GgaPosition p;
  if (f.size() != 3 || !number(f[0], p.latitude) || !number(f[1], p.longitude) || !number(f[2], p.height))
    return false;
  if (std::fabs(p.latitude) > 90 || std::fabs(p.longitude) > 180) return false;
  out = p;
  return true;
}

bool PositionFromGga(const std::string& sentence, GgaPosition& out) {
  const std::size_t star = sentence.find('*');
  const std::vector<std::string> f = fields(sentence.substr(0, star), ',');
  if (f.size() < 10 || f[0].size() < 4 || f[0].compare(f[0].size() - 3, 3, "GGA") != 0) return false;
  double lat, lon, h, q;
  if (!number(f[2], lat) || !number(f[4], lon) || !number(f[6], q) || q <= 0) return false;
  if (!number(f[9], h)) h = 0;
  const double latDeg = std::floor(lat / 100) + std::fmod(lat, 100) / 60;
  const double lonDeg = std::floor(lon / 100) + std::fmod(lon, 100) / 60;
  out.latitude = f[3] == "S" ? -latDeg : latDeg;
  out.longitude = f[5] == "W" ? -lonDeg : lonDeg;
  out.height = h;
  return std::fabs(out.latitude) <= 90 && std::fabs(out.longitude) <= 180;
}

}  // namespace Ntrip
