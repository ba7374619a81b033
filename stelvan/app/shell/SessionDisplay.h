#pragma once
// The display state of the main view and the handlers that turn receiver messages into it.
// Lives on the session thread; snapshot() is what the view shows. No widgets.
#include <atomic>
#include <string>

#include "shell/SatelliteTables.h"
#include "shell/ViewTexts.h"

namespace engine::zrx {
struct GeodeticPosition;
}

struct TargetSource {
  virtual ~TargetSource() = default;
  virtual double targetLat() const = 0;
  virtual double targetLon() const = 0;
};

class SessionDisplay {
 public:
  SessionDisplay(const TargetSource& target, std::atomic<bool>& targetChanged)
      : m_Target(target), m_TargetChanged(targetChanged) {}

  // Handles one delivered message (id, three hex length digits, body, checksum).
  void handle(const std::string& message);
  // Empties tables and labels, almanac flags, clock drift and event counters.
  void clear();
  ViewTexts snapshot() const;
  // Latitude and longitude in decimal degrees instead of degrees, minutes and seconds (any thread).
  void setDecimalDegrees(bool on) { m_Decimal = on; }

 private:
  // The position and velocity messages; false for any other.
  bool solution(const std::string& message);
  // Time, clock, tracking, RTCM and almanac messages.
  void status(const std::string& message);
  void position(const engine::zrx::GeodeticPosition& pg);

  const TargetSource& m_Target;
  std::atomic<bool>& m_TargetChanged;
  ViewTexts m_Texts;
  SatelliteTables m_Tables;
  float m_ClockDrift = 0;
  int m_EventA = 0, m_EventB = 0;
  std::atomic<bool> m_Decimal{false};
};
