#include "SourceTable.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace Ntrip {

namespace {

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> f;
  std::size_t start = 0;
  while (true) {
    const std::size_t semi = line.find(';', start);
    f.push_back(line.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  return f;
}

struct Fields {
  const std::vector<std::string>& f;
  std::string text(std::size_t i) const { return i < f.size() ? f[i] : std::string(); }
  int number(std::size_t i) const { return i < f.size() ? std::atoi(f[i].c_str()) : 0; }
  bool flag(std::size_t i) const { return text(i) == "1" || text(i) == "Y"; }
  char letter(std::size_t i) const { return i < f.size() && !f[i].empty() ? f[i][0] : 'N'; }
  bool real(std::size_t i, double& out) const {
    if (i >= f.size() || f[i].empty()) return false;
    char* end = nullptr;
    out = std::strtod(f[i].c_str(), &end);
    return end && *end == '\0' && std::isfinite(out);
  }
};

StreamRecord stream(const Fields& x) {
  StreamRecord s;
  s.mount = x.text(1);
  s.identifier = x.text(2);
  s.format = x.text(3);
  s.formatDetails = x.text(4);
  s.carrier = x.number(5);
  s.navSystem = x.text(6);
  s.network = x.text(7);
  s.country = x.text(8);
  s.hasPosition = x.real(9, s.latitude) && x.real(10, s.longitude) && std::fabs(s.latitude) <= 90;
  if (!s.hasPosition) s.latitude = s.longitude = 0;
  s.needsGga = x.flag(11);
  s.solution = x.number(12);
  s.generator = x.text(13);
  s.compression = x.text(14);
  s.authentication = x.letter(15);
  s.fee = x.flag(16);
  s.bitrate = x.number(17);
  s.misc = x.text(18);
  return s;
}

CasterRecord caster(const Fields& x) {
  CasterRecord c;
  c.host = x.text(1);
  c.port = x.number(2);
  c.identifier = x.text(3);
  c.op = x.text(4);
  c.needsGga = x.flag(5);
  c.country = x.text(6);
  x.real(7, c.latitude);
  x.real(8, c.longitude);
  c.fallbackHost = x.text(9);
  c.fallbackPort = x.number(10);
  c.misc = x.text(11);
  return c;
}

NetworkRecord network(const Fields& x) {
  NetworkRecord n;
  n.identifier = x.text(1);
  n.op = x.text(2);
  n.authentication = x.letter(3);
  n.fee = x.flag(4);
  n.webNet = x.text(5);
  n.webStr = x.text(6);
  n.webReg = x.text(7);
  n.misc = x.text(8);
  return n;
}

}  // namespace

SourceTable SourceTable::Parse(const std::string& text) {
  SourceTable t;
  std::size_t start = 0;
  while (start < text.size() && !t.complete) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.rfind("ENDSOURCETABLE", 0) == 0) {
      t.complete = true;
      break;
    }
    const std::vector<std::string> f = split(line);
    const Fields x{f};
    if (f[0] == "STR" && f.size() > 1 && !f[1].empty())
      t.streams.push_back(stream(x));
    else if (f[0] == "CAS")
      t.casters.push_back(caster(x));
    else if (f[0] == "NET")
      t.networks.push_back(network(x));
    else
      ++t.skippedLines;
  }
  return t;
}

std::string SourceTable::MountList(std::size_t max) const {
  std::string out;
  for (std::size_t i = 0; i < streams.size() && i < max; ++i) out += (i ? ", " : "") + streams[i].mount;
  if (streams.size() > max) out += ", ... (" + std::to_string(streams.size()) + " in all)";
  return out;
}

const StreamRecord* SourceTable::Find(const std::string& mount) const {
  for (const StreamRecord& s : streams)
    if (s.mount == mount) return &s;
  return nullptr;
}

double DistanceKm(double lat1, double lon1, double lat2, double lon2) {
  constexpr double kRad = M_PI / 180, kEarthKm = 6371.0;
  const double dLat = (lat2 - lat1) * kRad, dLon = (lon2 - lon1) * kRad;
  const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                   std::cos(lat1 * kRad) * std::cos(lat2 * kRad) * std::sin(dLon / 2) * std::sin(dLon / 2);
  return 2 * kEarthKm * std::asin(std::min(1.0, std::sqrt(a)));
}

std::vector<StreamRecord> SortedByDistance(const std::vector<StreamRecord>& streams, double lat, double lon) {
  std::vector<StreamRecord> out = streams;
  std::stable_sort(out.begin(), out.end(), [&](const StreamRecord& a, const StreamRecord& b) {
    if (a.hasPosition != b.hasPosition) return a.hasPosition;
    if (!a.hasPosition) return false;
    return DistanceKm(lat, lon, a.latitude, a.longitude) < DistanceKm(lat, lon, b.latitude, b.longitude);
  });
  return out;
}

}  // namespace Ntrip
