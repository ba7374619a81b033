#pragma once
// What the receiver makes of the RTCM 3 corrections arriving on its port B (or
// between the commands of a port whose input mode takes them):
// while a reference station message (1005/1006) and observations (MSM, or
// the legacy 1001-1004/1009-1012) keep coming, the solution is RTK float,
// then RTK fixed once they have lasted kFixAfterMs; kTimeoutMs without them
// and it is back to what the receiver manages alone. Thread-safe: port B's
// thread feeds it, the serving sessions ask it.
#include <cstdint>
#include <mutex>
#include <string>

namespace rcvsim {

class CorrectionInput {
 public:
  static constexpr std::int64_t kFixAfterMs = 3000;
  static constexpr std::int64_t kTimeoutMs = 10000;

  // Bytes received on port B at steady time nowMs.
  void onBytes(const char* bytes, std::size_t count, std::int64_t nowMs);
  // One whole frame whose CRC has been checked (a command port's corrections), apart from
  // port B's stream so that neither splits the other's frames.
  void onWholeFrame(const char* frame, std::size_t count, std::int64_t nowMs);
  // The solution type given `alone` (what the receiver has without corrections)
  // and whether float and fixed solutions are enabled.
  int solutionType(int alone, bool floatOn, bool fixedOn, std::int64_t nowMs) const;
  // Seconds since the last observations and the station's number; false when
  // corrections are not in use.
  bool differential(std::int64_t nowMs, double& ageSec, int& station) const;
  std::uint64_t goodFrames() const;

 private:
  void onFrame(const std::uint8_t* payload, std::size_t length, std::int64_t nowMs);
  bool activeLocked(std::int64_t nowMs) const;

  mutable std::mutex lock_;
  std::string buf_;
  std::int64_t lastStationMs_ = -1, lastObsMs_ = -1, activeSinceMs_ = -1;
  int station_ = -1;
  std::uint64_t good_ = 0;
};

}  // namespace rcvsim
