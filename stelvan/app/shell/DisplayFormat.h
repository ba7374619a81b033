#pragma once
// The texts of the main view, built from decoded values. Plain functions without widgets; texts
// are 8-bit (the degree sign is the Latin-1 byte 0xB0) and become QStrings only in the view.
#include <cstdint>
#include <optional>
#include <string>

namespace DisplayFormat {

constexpr double kRadToDeg = 57.29577951308232;
constexpr double kEarthRadius = 6371000.0;

// |radians| split into whole degrees, whole minutes and seconds.
struct Dms {
  int degrees = 0;
  int minutes = 0;
  double seconds = 0;
};
Dms splitDegrees(double radians);

struct TargetOffsets {
  double east = 0, north = 0, distance = 0, course = 0;  // metres, metres, metres, degrees
};
TargetOffsets targetOffsets(double lat, double lon, double targetLat, double targetLon);

std::string receiverTime(std::uint32_t msOfDay);
std::string receiverDate(int year, int month, int day);
std::string geodetic(double lat, double lon, double height);
// The same position in decimal degrees (8 decimals, about a millimetre), hemisphere letters kept.
std::string geodeticDecimal(double lat, double lon, double height);
std::string solutionType(int type);
std::string targetLat(double lat);
std::string targetLon(double lon);
std::string offsets(const TargetOffsets& o);
std::string cartesian(double x, double y, double z);
std::string velocity(double vx, double vy, double vz);  // "Vel: ..."
std::string speed(double vx, double vy, double vz);     // the bare "... m/s" of "VE"
std::string pdop(float hdop, float vdop);
std::string hdop(float hdop);
std::string rmsPosition(float h, float v);
std::string rmsVelocity(float h, float v);
std::string clockOffset(float drift);
std::string oscillatorOffset(float offset);
std::string trackingTime(std::uint32_t seconds);
// The RTCM label for an "MS" message text; empty for the "no corrections" status line.
std::string rtcmStatus(const std::string& message);
std::string eventCount(char which, int count);
// "Satellites  G : R : E : S", then " : BeiDou n" and " : QZSS n" for a system with any.
std::string satelliteCounts(int gps, int glonass, int galileo, int sbas, int beidou = 0, int qzss = 0);

// Status-bar pane 2: elapsed session time.
std::string elapsed(std::uint32_t seconds);

// Cells of the satellite tables; nothing is the receiver's "no value" for that satellite.
std::string byteCell(std::optional<int> value);  // "%02d", "??" for none
std::string elevationCell(std::optional<int> degrees);
std::string azimuthCell(std::optional<int> halfDegrees);
std::string lockTimeCell(std::optional<int> seconds);  // "inf" for none
std::string navStatusCell(std::uint8_t value);

}  // namespace DisplayFormat
