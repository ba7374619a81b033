#include "logger/Rtcm3TimeScanner.h"

#include <chrono>
#include <cstdlib>

#include "parsers/Crc24q.h"
#include "rtcm3/MsmHeader.h"

namespace Gnss {

namespace {
constexpr std::int64_t kDayMs = 86400000;
constexpr std::int64_t kWeekMs = 7 * kDayMs;
constexpr std::int64_t kMoscowMs = 3 * 3600000;  // GLONASS counts the day in Moscow time

std::int64_t systemUtcMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

std::int64_t dayMod(std::int64_t t) {
  return ((t % kDayMs) + kDayMs) % kDayMs;
}
}  // namespace

Rtcm3TimeScanner::Rtcm3TimeScanner(UtcClock utcNow) : now_(std::move(utcNow)) {
  if (!now_) now_ = systemUtcMs;
}

std::int64_t Rtcm3TimeScanner::utcTimeOfDay(const engine::rtcm3::ObservationHeader& h) {
  using engine::rtcm3::GnssSystem;
  const std::int64_t t = h.epochMs;
  switch (h.system) {
    case GnssSystem::Glonass:
      return t < kDayMs ? dayMod(t - kMoscowMs) : -1;
    case GnssSystem::Beidou:
      return t < kWeekMs ? dayMod(t - kBeidouLeapMs) : -1;
    default:  // GPS time: GPS, Galileo, QZSS, SBAS, NavIC
      return t < kWeekMs ? dayMod(t - kGpsLeapMs) : -1;
  }
}

std::int64_t Rtcm3TimeScanner::nearestDay(std::int64_t tod, std::int64_t nowMs) {
  const std::int64_t today = floorDiv(nowMs, kDayMs);
  std::int64_t best = today;
  for (const std::int64_t d : {today - 1, today + 1})
    if (std::llabs(d * kDayMs + tod - nowMs) < std::llabs(best * kDayMs + tod - nowMs)) best = d;
  return best;
}

void Rtcm3TimeScanner::takeEpoch(std::int64_t tod) {
  clock_.takeTime(static_cast<std::uint32_t>(tod));
  const ReceiverDate d = civilFromDays(nearestDay(tod, now_()));
  clock_.takeDate(d.year, d.month, d.day);
  lastTod_ = tod;
}

Rtcm3TimeScanner::Found Rtcm3TimeScanner::next(const std::uint8_t* b, std::size_t n, std::size_t from,
                                               std::size_t& at, std::size_t& end) {
  using namespace engine::rtcm3;
  for (std::size_t i = from; i < n; ++i) {
    if (b[i] != kPreamble) continue;
    if (n - i < kHeaderSize) {
      at = i;
      return Found::NeedMore;
    }
    if ((b[i + 1] & 0xFC) != 0) continue;
    const std::size_t length = payloadLength(b + i), total = kHeaderSize + length + kCrcSize;
    if (n - i < total) {
      at = i;
      return Found::NeedMore;
    }
    const std::uint8_t* crc = b + i + kHeaderSize + length;
    const std::uint32_t sent = static_cast<std::uint32_t>(crc[0]) << 16 | crc[1] << 8 | crc[2];
    if (length < 2 || crc24q(b + i, kHeaderSize + length) != sent) continue;
    const unsigned type = messageNumber(b + i + kHeaderSize);
    ObservationHeader h;
    BitReader r(b + i + kHeaderSize, length);
    r.skip(12);  // DF002
    const std::int64_t tod = isMsm(type) && readMsmHeader(r, type, h) ? utcTimeOfDay(h) : -1;
    if (tod >= 0 && tod != lastTod_) {
      takeEpoch(tod);
      at = i;
      end = i + total;
      return Found::Time;
    }
    i += total - 1;  // a whole frame: a preamble byte inside it begins nothing
  }
  return Found::Nothing;
}

bool IsMsmItem(const std::string& format, const std::string& name) {
  if (format != "rtcm" && format != "rtcm3") return false;
  char* stop = nullptr;
  const long type = std::strtol(name.c_str(), &stop, 10);
  return !name.empty() && *stop == '\0' && type > 0 && engine::rtcm3::isMsm(static_cast<unsigned>(type));
}

}  // namespace Gnss
