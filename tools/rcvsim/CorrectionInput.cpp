#include "CorrectionInput.h"

#include <cstring>

#include "RtcmMessages.h"

namespace rcvsim {

namespace {

bool isObservation(unsigned type) {
  if ((type >= 1001 && type <= 1004) || (type >= 1009 && type <= 1012)) return true;
  // MSM1..7 of GPS, GLONASS, Galileo, SBAS, QZSS, BeiDou: 1071-1077 ... 1121-1127.
  return type >= 1071 && type <= 1127 && type % 10 >= 1 && type % 10 <= 7;
}

}  // namespace

void CorrectionInput::onBytes(const char* bytes, std::size_t count, std::int64_t nowMs) {
  std::lock_guard l(lock_);
  buf_.append(bytes, count);
  std::size_t at = 0;
  while (true) {
    const std::size_t start = buf_.find('\xD3', at);
    if (start == std::string::npos) {
      at = buf_.size();
      break;
    }
    at = start;
    if (buf_.size() - at < 3) break;
    const auto* p = reinterpret_cast<const std::uint8_t*>(buf_.data() + at);
    const std::size_t length = (static_cast<std::size_t>(p[1] & 3) << 8) | p[2];
    if ((p[1] & 0xFC) != 0 || length < 2) {
      ++at;
      continue;
    }
    if (buf_.size() - at < length + 6) break;
    const std::uint32_t crc = (static_cast<std::uint32_t>(p[length + 3]) << 16) |
                              (static_cast<std::uint32_t>(p[length + 4]) << 8) | p[length + 5];
    if (crc24q(p, length + 3) != crc) {
      ++at;
      continue;
    }
    onFrame(p + 3, length, nowMs);
    at += length + 6;
  }
  buf_.erase(0, at);
}

void CorrectionInput::onWholeFrame(const char* frame, std::size_t count, std::int64_t nowMs) {
  if (count < 8) return;
  std::lock_guard l(lock_);
  onFrame(reinterpret_cast<const std::uint8_t*>(frame) + 3, count - 6, nowMs);
}

void CorrectionInput::onFrame(const std::uint8_t* payload, std::size_t length, std::int64_t nowMs) {
  ++good_;
  const unsigned type = (static_cast<unsigned>(payload[0]) << 4) | (payload[1] >> 4);
  // DF003, the reference station id, follows the message number in both kinds.
  const int station = length >= 3 ? static_cast<int>(((payload[1] & 0x0F) << 8) | payload[2]) : -1;
  const bool wasActive = activeLocked(nowMs);
  if (type == 1005 || type == 1006) {
    lastStationMs_ = nowMs;
    station_ = station;
  } else if (isObservation(type)) {
    lastObsMs_ = nowMs;
  } else {
    return;
  }
  if (!wasActive && activeLocked(nowMs)) activeSinceMs_ = nowMs;
}

bool CorrectionInput::activeLocked(std::int64_t nowMs) const {
  return lastStationMs_ >= 0 && lastObsMs_ >= 0 && nowMs - lastStationMs_ < kTimeoutMs &&
         nowMs - lastObsMs_ < kTimeoutMs;
}

int CorrectionInput::solutionType(int alone, bool floatOn, bool fixedOn, std::int64_t nowMs) const {
  std::lock_guard l(lock_);
  if (alone <= 0 || !activeLocked(nowMs)) return alone;
  if (fixedOn && nowMs - activeSinceMs_ >= kFixAfterMs) return 4;
  if (floatOn || fixedOn) return alone > 3 ? alone : 3;
  return alone;
}

bool CorrectionInput::differential(std::int64_t nowMs, double& ageSec, int& station) const {
  std::lock_guard l(lock_);
  if (!activeLocked(nowMs)) return false;
  ageSec = static_cast<double>(nowMs - lastObsMs_) / 1000.0;
  station = station_;
  return true;
}

std::uint64_t CorrectionInput::goodFrames() const {
  std::lock_guard l(lock_);
  return good_;
}

}  // namespace rcvsim
