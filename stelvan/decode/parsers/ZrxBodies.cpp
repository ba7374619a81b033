#include "ZrxBodies.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string_view>

#include "../interfaces/IMessageGNSS.h"
#include "ZrxIdTable.h"

namespace engine::zrx {
namespace {

std::uint32_t u4(const std::uint8_t* p) {
  return p[0] | (static_cast<std::uint32_t>(p[1]) << 8) | (static_cast<std::uint32_t>(p[2]) << 16) |
         (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t u2(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
float f4(const std::uint8_t* p) {
  return std::bit_cast<float>(u4(p));
}
double f8(const std::uint8_t* p) {
  return std::bit_cast<double>(u4(p) | (static_cast<std::uint64_t>(u4(p + 4)) << 32));
}

// The body of an `id` frame holding at least `need` bytes.
const std::uint8_t* body(const std::uint8_t* data, std::size_t size, const char id[2], std::size_t need) {
  const auto f = frameOf(data, size, id);
  return f && f->bodySize >= need ? f->body : nullptr;
}

}  // namespace

Bytes messageBytes(IMessageGNSS* message) {
  if (!message || !message->rawData()) return {};
  const std::size_t raw = message->rawLength();
  const std::size_t off = message->subOffset(), len = message->subLength();
  if (len == 0 || off > raw || len > raw - off) return {message->rawData(), raw};
  return {message->rawData() + off, len};
}

std::optional<Frame> frameOf(const std::uint8_t* data, std::size_t size, const char id[2]) {
  if (!data || size < 5 || data[0] != static_cast<std::uint8_t>(id[0]) ||
      data[1] != static_cast<std::uint8_t>(id[1]))
    return std::nullopt;
  const int length = lengthField(data + 2);
  if (length < 0 || static_cast<std::size_t>(length) + 5 > size) return std::nullopt;
  return Frame{data + 5, static_cast<std::size_t>(length)};
}

std::optional<ReceiverTime> readReceiverTime(const std::uint8_t* d, std::size_t n) {
  if (const auto* b = body(d, n, "~~", 4)) return ReceiverTime{u4(b)};
  return std::nullopt;
}
std::optional<ReceiverDate> readReceiverDate(const std::uint8_t* d, std::size_t n) {
  if (const auto* b = body(d, n, "RD", 4)) return ReceiverDate{u2(b), b[2], b[3]};
  return std::nullopt;
}
std::optional<GeodeticPosition> readGeodeticPosition(const std::uint8_t* d, std::size_t n) {
  if (const auto* b = body(d, n, "PG", 29))
    return GeodeticPosition{f8(b), f8(b + 8), f8(b + 16), f4(b + 24), b[28]};
  return std::nullopt;
}
bool hasPosition(const GeodeticPosition& p) {
  return hasSolution(p.solutionType) && std::isfinite(p.height) && std::fabs(p.lat) <= std::numbers::pi / 2 &&
         std::fabs(p.lon) <= 2 * std::numbers::pi;  // false for NaN too
}
std::optional<CartesianPosition> readCartesianPosition(const std::uint8_t* d, std::size_t n) {
  if (const auto* b = body(d, n, "PO", 29))
    return CartesianPosition{f8(b), f8(b + 8), f8(b + 16), f4(b + 24), b[28]};
  return std::nullopt;
}
std::optional<CartesianVelocity> readCartesianVelocity(const std::uint8_t* d, std::size_t n) {
  if (const auto* b = body(d, n, "VE", 17))
    return CartesianVelocity{f4(b), f4(b + 4), f4(b + 8), f4(b + 12), b[16]};
  return std::nullopt;
}
std::optional<PositionVelocity> readPositionVelocity(const std::uint8_t* d, std::size_t n) {
  if (const auto* b = body(d, n, "PV", 45))
    return PositionVelocity{f8(b),      f8(b + 8),  f8(b + 16), f4(b + 24), f4(b + 28),
                            f4(b + 32), f4(b + 36), f4(b + 40), b[44]};
  return std::nullopt;
}
std::optional<Dops> readDops(const std::uint8_t* d, std::size_t n) {
  if (const auto* b = body(d, n, "DP", 12)) return Dops{f4(b), f4(b + 4), f4(b + 8)};
  return std::nullopt;
}
std::optional<RmsErrors> readRmsErrors(const std::uint8_t* d, std::size_t n) {
  if (const auto* b = body(d, n, "SG", 16)) return RmsErrors{f4(b), f4(b + 4), f4(b + 8), f4(b + 12)};
  return std::nullopt;
}
std::optional<float> readClockDrift(const std::uint8_t* d, std::size_t n) {
  if (const auto* b = body(d, n, "DO", 4)) return f4(b);
  return std::nullopt;
}
std::optional<float> readOscillatorOffset(const std::uint8_t* d, std::size_t n) {
  if (const auto* b = body(d, n, "OO", 4)) return f4(b);
  return std::nullopt;
}
std::optional<std::uint32_t> readLockTime(const std::uint8_t* d, std::size_t n) {
  if (const auto* b = body(d, n, "TT", 4)) return u4(b);
  return std::nullopt;
}
std::optional<std::uint8_t> readAlmanacSatellite(const std::uint8_t* d, std::size_t n) {
  if (const auto* b = body(d, n, "GA", 1)) return b[0];
  if (const auto* b = body(d, n, "NA", 1)) return b[0];
  return std::nullopt;
}

std::optional<std::string_view> readRtcmStatusText(const std::uint8_t* d, std::size_t n) {
  const auto f = frameOf(d, n, "MS");
  if (!f) return std::nullopt;
  return std::string_view(reinterpret_cast<const char*>(d), f->bodySize + 5);
}

std::optional<SatValues> readSatelliteArray(const std::uint8_t* d, std::size_t n) {
  if (!d || n < 2) return std::nullopt;
  const std::string_view id(reinterpret_cast<const char*>(d), 2);
  unsigned width = 0;
  if (id == "SI" || id == "NN" || id == "EC" || id == "E1" || id == "E2" || id == "E3" || id == "E5" ||
      id == "AZ" || id == "EL")
    width = 1;
  else if (id == "TC")
    width = 2;
  else if (id == "DC")
    width = 4;
  else
    return std::nullopt;
  const char code[2] = {id[0], id[1]};
  const auto f = frameOf(d, n, code);
  if (!f || f->bodySize < 1 || (f->bodySize - 1) % width != 0) return std::nullopt;
  SatValues out;
  const std::size_t count = (f->bodySize - 1) / width;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = f->body + i * width;
    std::optional<std::int32_t> v;
    if (id == "EL") {
      const auto e = static_cast<std::int8_t>(p[0]);
      if (e != 127) v = e;
    } else if (width == 1) {
      if (p[0] != 255) v = p[0];
    } else if (width == 2) {
      if (u2(p) != 0xFFFF) v = u2(p);
    } else {
      const auto x = static_cast<std::int32_t>(u4(p));
      if (x != 2147483647) v = x;
    }
    out.push_back(v);
  }
  return out;
}

std::optional<SatelliteStatus> readSatelliteStatus(const std::uint8_t* d, std::size_t n) {
  const auto f = frameOf(d, n, "SS");
  if (!f || f->bodySize < 2) return std::nullopt;
  SatelliteStatus s;
  s.status.assign(f->body, f->body + f->bodySize - 2);
  s.solutionType = f->body[f->bodySize - 2];
  return s;
}

}  // namespace engine::zrx
