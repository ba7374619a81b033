#pragma once
// The fixes a Scatter or Position window collected during its session, and the figures
// drawn from them: local east/north/up offsets in metres from a reference (the running
// mean, or the target position when one is set), CEP 50 % and 2DRMS. No widgets.
//
// Threads: the delivery thread adds, the GUI thread reads; every call takes the lock.
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace plots {

struct Fix {
  double lat = 0, lon = 0, height = 0;  // radians, metres
  int type = 0;                         // 0 none, 1 standalone, 2 code differential, 3 float, 4 fixed
  std::int64_t ms = 0;                  // arrival, milliseconds since the session started
};

struct Offset {
  double east = 0, north = 0, up = 0;
  int type = 0;
  std::int64_t ms = 0;
};

struct TrackStats {
  int count = 0;
  double cep50 = 0, drms2 = 0;  // metres
};

class PositionTrack {
 public:
  static constexpr std::size_t kMaxFixes = 86400;  // a day at 1 Hz; older fixes drop out

  // A ZRX "PG" message as a fix; nothing when it is not one or holds no position (the
  // engine's rule, which the main view follows too).
  static std::optional<Fix> decodePG(const unsigned char* message, int length);

  void add(const Fix& fix);
  void clear();
  // Offsets are taken from this point instead of the mean (radians); nullopt: the mean.
  void setReference(std::optional<Fix> reference);
  std::vector<Offset> offsets() const;
  TrackStats stats() const;

 private:
  Fix referenceLocked() const;
  std::vector<Offset> offsetsLocked() const;

  mutable std::mutex lock_;
  std::vector<Fix> fixes_;
  std::optional<Fix> reference_;
};

}  // namespace plots
