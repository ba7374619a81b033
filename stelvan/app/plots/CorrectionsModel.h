#pragma once
// What the Corrections window shows of an RTCM 3 stream: the reference station's
// position and descriptors, each message type's count, rate and age, and the
// satellites per system of the latest MSM epoch. No widgets.
//
// Threads: the delivery thread feeds bytes and positions, the GUI thread takes
// snapshots; every call takes the lock. Times are milliseconds of any steady clock.
#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "decode/rtcm3/FrameScanner.h"
#include "decode/rtcm3/MessageContents.h"
#include "decode/rtcm3/Wgs84.h"

namespace plots {

struct CorrectionsSnapshot {
  struct Message {
    unsigned type = 0;
    std::uint64_t count = 0;
    std::optional<double> rateHz;  // from the recent arrivals; none before the second
    std::int64_t ageMs = 0;        // since the last arrival
  };
  struct System {
    std::string name;   // "GPS", "GLONASS", ...
    unsigned type = 0;  // the MSM that brought it
    int satellites = 0, signalCount = 0, cells = 0;
    std::string signalNames;  // "1C 2L": RINEX codes of its signals
  };
  std::optional<engine::rtcm3::StationArp> station;
  engine::rtcm3::Geodetic stationGeo;
  std::optional<double> distance;  // station to the receiver's own position, metres
  std::optional<engine::rtcm3::AntennaDescriptor>
      descriptor;                 // the fullest one seen (1033 over 1008 over 1007)
  std::vector<Message> messages;  // by type
  std::vector<System> systems;    // the latest MSM epoch, in arrival order
  std::uint64_t frames = 0, skippedBytes = 0;
};

class CorrectionsModel {
 public:
  static constexpr std::size_t kRateWindow = 10;  // arrivals a rate is taken over

  CorrectionsModel();
  // RTCM 3 bytes in pieces of any size (a receiver's wrapped output); frames are found in them.
  void addBytes(const std::uint8_t* bytes, std::size_t count, std::int64_t nowMs);
  // The receiver's own position, Earth-fixed metres.
  void setOwnPosition(const double ecef[3]);
  CorrectionsSnapshot snapshot(std::int64_t nowMs) const;
  void clear();

 private:
  struct TypeStats {
    std::uint64_t count = 0;
    std::deque<std::int64_t> arrivals;
  };
  void addFrameLocked(const std::uint8_t* payload, std::size_t length);
  void addMsmLocked(const engine::rtcm3::MessageContents& c);

  mutable std::mutex lock_;
  engine::rtcm3::FrameScanner scanner_;
  std::int64_t now_ = 0;  // of the bytes being scanned
  std::map<unsigned, TypeStats> types_;
  std::optional<engine::rtcm3::StationArp> station_;
  std::optional<engine::rtcm3::AntennaDescriptor> descriptor_;
  std::optional<std::array<double, 3>> own_;
  std::vector<CorrectionsSnapshot::System> building_, latest_;
};

}  // namespace plots
