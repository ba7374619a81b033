#include "shell/DisplayFormat.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace DisplayFormat {
namespace {

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char buf[512];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  return buf;
}

const char* zeroBelow10(double v) {
  return v < 10 ? "0" : "";
}

std::string trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

}  // namespace

Dms splitDegrees(double radians) {
  const double deg = std::fabs(radians) * kRadToDeg;
  Dms d;
  d.degrees = static_cast<int>(std::floor(deg));
  const double minutes = (deg - d.degrees) * 60.0;
  d.minutes = static_cast<int>(std::floor(minutes));
  d.seconds = (minutes - d.minutes) * 60.0;
  return d;
}

TargetOffsets targetOffsets(double lat, double lon, double targetLat, double targetLon) {
  TargetOffsets o;
  o.east = (targetLon - lon) * kEarthRadius * std::cos((lat + targetLat) / 2.0);
  o.north = (targetLat - lat) * kEarthRadius;
  o.distance = std::sqrt(o.north * o.north + o.east * o.east);
  if (o.east != 0.0 || o.north != 0.0) {
    o.course = std::atan2(o.east, o.north) * kRadToDeg;
    if (o.course < 0) o.course += 360.0;
    if (o.course >= 360.0) o.course -= 360.0;
  }
  return o;
}

std::string receiverTime(std::uint32_t msOfDay) {
  const std::uint32_t s = msOfDay / 1000;
  return format("Receiver time: %02u:%02u:%02u", s / 3600, s / 60 % 60, s % 60);
}

std::string receiverDate(int year, int month, int day) {
  return format("Receiver data: %d.%d.%d", day, month, year);
}

std::string geodetic(double lat, double lon, double height) {
  const Dms a = splitDegrees(lat), o = splitDegrees(lon);
  return format("Lat: %d\260%s%d'%s %6.4lf\" %c\nLon: %d\260%s%d' %s%6.4lf\" %c\nAlt:  %8.4lf m", a.degrees,
                zeroBelow10(a.minutes), a.minutes, zeroBelow10(a.seconds), a.seconds, lat < 0 ? 'S' : 'N',
                o.degrees, zeroBelow10(o.minutes), o.minutes, zeroBelow10(o.seconds), o.seconds,
                lon < 0 ? 'W' : 'E', height);
}

std::string geodeticDecimal(double lat, double lon, double height) {
  constexpr double kDegrees = 57.29577951308232;
  return format("Lat: %12.8lf\260 %c\nLon: %12.8lf\260 %c\nAlt:  %8.4lf m", std::fabs(lat) * kDegrees,
                lat < 0 ? 'S' : 'N', std::fabs(lon) * kDegrees, lon < 0 ? 'W' : 'E', height);
}

std::string solutionType(int type) {
  static const char* const names[] = {"(no solution)", "(standalone)", "(code differential)", "(RTK float)",
                                      "(RTK fixed)"};
  return type >= 0 && type <= 4 ? names[type] : "";
}

std::string targetLat(double lat) {
  const Dms a = splitDegrees(lat);
  return format("Lat:    %d\260%s%d'%s%6.4lf\" %c", a.degrees, zeroBelow10(a.minutes), a.minutes,
                zeroBelow10(a.seconds), a.seconds, lat < 0 ? 'S' : 'N');
}

std::string targetLon(double lon) {
  const Dms o = splitDegrees(lon);
  return format("Lon:   %d\260%s%d'%s%6.4lf\" %c", o.degrees, zeroBelow10(o.minutes), o.minutes,
                zeroBelow10(o.seconds), o.seconds, lon < 0 ? 'W' : 'E');
}

std::string offsets(const TargetOffsets& o) {
  const Dms c = splitDegrees(o.course / kRadToDeg);
  return format("ETT:%15.3lf m\nNTT:%15.3lf m\nDTT:%15.3lf m\nCTT:    %d\260%s%d'%s%6.2lf\"", o.east, o.north,
                o.distance, c.degrees, zeroBelow10(c.minutes), c.minutes, zeroBelow10(c.seconds), c.seconds);
}

std::string cartesian(double x, double y, double z) {
  return format("X: %15.4lf\nY: %15.4lf\nZ: %15.4lf", x, y, z);
}

std::string velocity(double vx, double vy, double vz) {
  return format("Vel: %7.4lf m/s", std::sqrt(vx * vx + vy * vy + vz * vz));
}

std::string speed(double vx, double vy, double vz) {
  return format("%7.4lf m/s", std::sqrt(vx * vx + vy * vy + vz * vz));
}

std::string pdop(float h, float v) {
  return format("PDOP: %7.4f", std::sqrt(static_cast<double>(h) * h + static_cast<double>(v) * v));
}

std::string hdop(float h) {
  return format("HDOP: %7.4f", static_cast<double>(h));
}

std::string rmsPosition(float h, float v) {
  return "RMS Pos: " +
         trimmed(format("%10.4f m", std::sqrt(static_cast<double>(h) * h + static_cast<double>(v) * v)));
}

std::string rmsVelocity(float h, float v) {
  return "RMS Vel:  " +
         trimmed(format("%10.4f m/s", std::sqrt(static_cast<double>(h) * h + static_cast<double>(v) * v)));
}

std::string clockOffset(float drift) {
  const double ppm = static_cast<double>(drift) * 1e6;
  return format("Clock offset: %s%4.4f ppm", ppm > 0 ? "+" : "", ppm);
}

std::string oscillatorOffset(float offset) {
  const double ppm = static_cast<double>(offset) * 1e6;
  return format("Osc. offset: %s%4.4lf ppm", ppm > 0 ? "+" : "", ppm);
}

std::string trackingTime(std::uint32_t s) {
  const std::uint32_t days = s / 86400, hours = s / 3600 % 24, minutes = s / 60 % 60, seconds = s % 60;
  if (days) return format("Tracking time:%0ud %02u:%02u:%02u", days, hours, minutes, seconds);
  return format("Tracking time: %02u:%02u:%02u", hours, minutes, seconds);
}

std::string rtcmStatus(const std::string& m) {
  if (m == "MS020,RTCMST,999,0000,0000,100.00,@1F") return {};
  const auto piece = [&m](std::size_t at, std::size_t n) {
    return at < m.size() ? m.substr(at, n) : std::string();
  };
  return "LQ:" + piece(27, 5) + "%(" + piece(13, 13) + ")";
}

std::string eventCount(char which, int count) {
  return format("Event %c: %d", which, count);
}

std::string satelliteCounts(int gps, int glonass, int galileo, int sbas, int beidou, int qzss) {
  std::string text = format("Satellites  %d : %d : %d : %d", gps, glonass, galileo, sbas);
  // Named, as either may be there without the other.
  if (beidou) text += format(" : BeiDou %d", beidou);
  if (qzss) text += format(" : QZSS %d", qzss);
  return text;
}

std::string elapsed(std::uint32_t seconds) {
  const std::uint32_t hours = seconds / 3600, minutes = seconds / 60 % 60, s = seconds % 60;
  if (hours > 24) return format("%ud %02u:%02u:%02u", hours / 24, hours % 24, minutes, s);
  return format("%02u:%02u:%02u", hours, minutes, s);
}

std::string byteCell(std::optional<int> value) {
  return value ? format("%02d", *value) : "??";
}

std::string elevationCell(std::optional<int> degrees) {
  return degrees ? format("%d", *degrees) : "??";
}

std::string azimuthCell(std::optional<int> halfDegrees) {
  return halfDegrees ? format("%d", *halfDegrees * 2) : "??";
}

std::string lockTimeCell(std::optional<int> seconds) {
  if (!seconds) return "inf";
  if (*seconds <= 59) return format(":%02d", *seconds);
  return format("%d", *seconds / 60);
}

std::string navStatusCell(std::uint8_t value) {
  const bool good = value <= 3 || (value >= 51 && value <= 55);
  return format("%02d%s", value, good ? "+" : "-");
}

}  // namespace DisplayFormat
