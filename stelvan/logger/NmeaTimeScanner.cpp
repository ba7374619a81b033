#include "logger/NmeaTimeScanner.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace Gnss {

namespace {

struct Sentence {
  std::int64_t tod = -1;  // ms
  int year = 0, month = 0, day = 0;
};

int digits(const std::string& s, std::size_t at, std::size_t count) {
  int v = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return -1;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

// "hhmmss" with optional decimals.
std::int64_t timeOfDay(const std::string& f) {
  const int h = digits(f, 0, 2), m = digits(f, 2, 2), s = digits(f, 4, 2);
  if (h < 0 || m < 0 || s < 0 || h > 23 || m > 59 || s > 60) return -1;
  double frac = f.size() > 6 && f[6] == '.' ? std::atof(f.c_str() + 6) : 0;
  if (!(frac >= 0 && frac < 1)) frac = 0;  // "hhmmss.x" only; no exponent games
  return ((h * 60LL + m) * 60 + s) * 1000 + static_cast<std::int64_t>(frac * 1000 + 0.5);
}

// The sentence's time and date, false when it has none or its checksum is wrong.
bool parse(const std::uint8_t* b, std::size_t len, Sentence& out) {
  std::string line(reinterpret_cast<const char*>(b), len);
  const std::size_t star = line.find('*');
  if (star == std::string::npos || star + 3 > line.size() || line.size() < 7) return false;
  unsigned sum = 0;
  for (std::size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(line[i]);
  if (std::strtoul(line.substr(star + 1, 2).c_str(), nullptr, 16) != sum) return false;
  std::vector<std::string> f;
  for (std::size_t from = 0;;) {
    const std::size_t comma = line.find(',', from);
    f.push_back(line.substr(from, std::min(comma, star) - from));
    if (comma == std::string::npos || comma > star) break;
    from = comma + 1;
  }
  const std::string type = f[0].size() == 6 ? f[0].substr(3) : std::string();
  const std::size_t timeField = type == "GLL" ? 5 : 1;
  if (type != "GGA" && type != "RMC" && type != "ZDA" && type != "GLL" && type != "GNS") return false;
  if (f.size() <= timeField || (out.tod = timeOfDay(f[timeField])) < 0) return false;
  if (type == "RMC" && f.size() > 9 && f[9].size() == 6) {
    const int yy = digits(f[9], 4, 2);
    out.day = digits(f[9], 0, 2), out.month = digits(f[9], 2, 2), out.year = yy < 80 ? 2000 + yy : 1900 + yy;
  } else if (type == "ZDA" && f.size() > 4) {
    out.day = std::atoi(f[2].c_str()), out.month = std::atoi(f[3].c_str()),
    out.year = std::atoi(f[4].c_str());
  }
  return true;
}

}  // namespace

NmeaTimeScanner::Found NmeaTimeScanner::next(const std::uint8_t* b, std::size_t n, std::size_t from,
                                             std::size_t& at, std::size_t& end) {
  for (std::size_t i = from; i < n; ++i) {
    if (b[i] != '$') continue;
    const std::size_t room = n - i < kMaxSentence ? n - i : kMaxSentence;
    const auto* nl = static_cast<const std::uint8_t*>(std::memchr(b + i, '\n', room));
    if (!nl) {
      if (n - i < kMaxSentence) {
        at = i;
        return Found::NeedMore;
      }
      continue;
    }
    Sentence s;
    const std::size_t e = static_cast<std::size_t>(nl - b) + 1;
    if (!parse(b + i, e - i, s)) continue;
    at = i;
    end = e;
    const bool epoch = s.tod != lastTod_;
    if (epoch) clock_.takeTime(static_cast<std::uint32_t>(s.tod));
    lastTod_ = s.tod;
    const bool date = s.year > 0;
    if (date) clock_.takeDate(s.year, s.month, s.day);
    if (epoch) return Found::Time;
    if (date) return Found::Date;
    i = e - 1;
  }
  return Found::Nothing;
}

}  // namespace Gnss
