#pragma once
// Readers of the ZRX message bodies that the epoch builder and the main view
// use. Each takes a delivered frame (identifier, three length digits, body) and
// answers nothing when the identifier differs or the frame is too short for the
// layout; they never read past `size` or past the frame's own length field.
// Values are little-endian; per-satellite arrays follow the order of the
// latest "SI" message and hold nothing where the receiver sent its "no value".
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace engine {
class IMessageGNSS;
}

namespace engine::zrx {

// The message proper of a delivered message: its marked sub-range, else all
// its raw bytes. Valid while the message lives and its bytes are not re-set.
struct Bytes {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};
Bytes messageBytes(IMessageGNSS* message);

struct Frame {
  const std::uint8_t* body = nullptr;
  std::size_t bodySize = 0;  // as the length field says, checksum included
};
// The body of a frame whose identifier is `id`; nothing when the identifier
// differs or the frame is shorter than its length field says.
std::optional<Frame> frameOf(const std::uint8_t* data, std::size_t size, const char id[2]);

constexpr std::uint8_t kNoSolution = 0;

struct ReceiverTime {
  std::uint32_t msOfDay;
};  // "~~"
struct ReceiverDate {
  std::uint16_t year;
  std::uint8_t month, day;
};                          // "RD"
struct GeodeticPosition {   // "PG"
  double lat, lon, height;  // radians, radians, metres
  float deviation;
  std::uint8_t solutionType;
};
// Whether a solution type stands for a solution: the Cartesian messages carry nothing else.
constexpr bool hasSolution(std::uint8_t solutionType) {
  return solutionType != kNoSolution;
}
// Whether a "PG" holds a position at all: a solution, and latitude, longitude and height that
// are finite and on the globe (latitude within ±90°, longitude within ±360°). A receiver
// without a fix may send zeros, NaNs or stale values; everything that reads "PG" goes by this.
bool hasPosition(const GeodeticPosition& p);
struct CartesianPosition {
  double x, y, z;
  float deviation;
  std::uint8_t solutionType;
};  // "PO"
struct CartesianVelocity {
  float x, y, z;
  float deviation;
  std::uint8_t solutionType;
};                         // "VE"
struct PositionVelocity {  // "PV"
  double x, y, z;
  float positionDeviation;
  float vx, vy, vz;
  float velocityDeviation;
  std::uint8_t solutionType;
};
struct Dops {
  float hdop, vdop, tdop;
};  // "DP"
struct RmsErrors {
  float hPosition, vPosition, hVelocity, vVelocity;
};  // "SG"

std::optional<ReceiverTime> readReceiverTime(const std::uint8_t* data, std::size_t size);
std::optional<ReceiverDate> readReceiverDate(const std::uint8_t* data, std::size_t size);
std::optional<GeodeticPosition> readGeodeticPosition(const std::uint8_t* data, std::size_t size);
std::optional<CartesianPosition> readCartesianPosition(const std::uint8_t* data, std::size_t size);
std::optional<CartesianVelocity> readCartesianVelocity(const std::uint8_t* data, std::size_t size);
std::optional<PositionVelocity> readPositionVelocity(const std::uint8_t* data, std::size_t size);
std::optional<Dops> readDops(const std::uint8_t* data, std::size_t size);
std::optional<RmsErrors> readRmsErrors(const std::uint8_t* data, std::size_t size);
std::optional<float> readClockDrift(const std::uint8_t* data, std::size_t size);        // "DO"
std::optional<float> readOscillatorOffset(const std::uint8_t* data, std::size_t size);  // "OO"
std::optional<std::uint32_t> readLockTime(const std::uint8_t* data, std::size_t size);  // "TT", seconds
// "GA" or "NA": the satellite number of the almanac.
std::optional<std::uint8_t> readAlmanacSatellite(const std::uint8_t* data, std::size_t size);

// "MS": the RTCM status line, the whole message as text (read by character
// positions counted from the identifier).
std::optional<std::string_view> readRtcmStatusText(const std::uint8_t* data, std::size_t size);

// Per-satellite arrays (then the checksum byte). The identifier picks the layout:
// "SI", "NN", "EC", "E1", "E2", "E3", "E5", "AZ" u1 (255 none); "EL" i1 (127 none);
// "TC" u2 (0xFFFF none); "DC" i4 (2147483647 none).
using SatValues = std::vector<std::optional<std::int32_t>>;
std::optional<SatValues> readSatelliteArray(const std::uint8_t* data, std::size_t size);

// "SS": navigation status per satellite, then the solution type.
struct SatelliteStatus {
  std::vector<std::uint8_t> status;
  std::uint8_t solutionType;
};
std::optional<SatelliteStatus> readSatelliteStatus(const std::uint8_t* data, std::size_t size);

}  // namespace engine::zrx
