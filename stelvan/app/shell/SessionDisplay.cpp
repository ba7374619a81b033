#include "shell/SessionDisplay.h"

#include "shell/DisplayFormat.h"
#include "shell/ZrxFields.h"

using namespace DisplayFormat;

void SessionDisplay::handle(const std::string& message) {
  const ZrxMessage m(message);
  const std::string id = m.id();
  if (id == "||") {
    m_Tables.clearSeen();
  } else if (m_Tables.handle(m, m_ClockDrift)) {
    if (id == "SI") m_Texts.satCounts = m_Tables.countsText();
  } else if (id == "~~" && m.has(0, 4)) {
    m_Texts.rcvTime = receiverTime(m.u4(0));
  } else if (id == "RD" && m.has(0, 4)) {
    m_Texts.rcvDate = receiverDate(m.u2(0), m.u1(2), m.u1(3));
  } else if (id == "PG" && m.has(0, 29)) {
    position(m);
  } else if (id == "PV" && m.has(0, 45)) {
    if (m.u1(44) != 0) {
      m_Texts.xyz = cartesian(m.f8(0), m.f8(8), m.f8(16));
      m_Texts.vel = velocity(m.f4(28), m.f4(32), m.f4(36));
    }
  } else if (id == "PO" && m.has(0, 29)) {
    if (m.u1(28) != 0) m_Texts.xyz = cartesian(m.f8(0), m.f8(8), m.f8(16));
  } else if (id == "VE" && m.has(0, 17)) {
    if (m.u1(16) != 0) m_Texts.vel = speed(m.f4(0), m.f4(4), m.f4(8));
  } else if (id == "DP" && m.has(0, 8)) {
    m_Texts.pdop = pdop(m.f4(0), m.f4(4));
    m_Texts.hdop = hdop(m.f4(0));
  } else if (id == "SG" && m.has(0, 16)) {
    m_Texts.rmsPos = rmsPosition(m.f4(0), m.f4(4));
    m_Texts.rmsVel = rmsVelocity(m.f4(8), m.f4(12));
  } else if (id == "DO" && m.has(0, 4)) {
    m_ClockDrift = m.f4(0);
    m_Texts.clockOffset = clockOffset(m_ClockDrift);
  } else if (id == "OO" && m.has(0, 4)) {
    m_Texts.oscOffset = oscillatorOffset(m.f4(0));
  } else if (id == "TT" && m.has(0, 4)) {
    m_Texts.trackTime = trackingTime(m.u4(0));
  } else if (id == "MS") {
    m_Texts.rtcm = rtcmStatus(message);
  } else if (id == "XA") {
    m_Texts.eventA = eventCount('A', ++m_EventA);
  } else if (id == "XB") {
    m_Texts.eventB = eventCount('B', ++m_EventB);
  } else if (id == "GA" || id == "NA") {
    m_Tables.setAlmanac(id == "NA", m.u1(0));
  }
}

void SessionDisplay::position(const ZrxMessage& m) {
  const double lat = m.f8(0), lon = m.f8(8);
  m_Texts.hasPosition = true;
  m_Texts.lat = lat;
  m_Texts.lon = lon;
  m_Texts.height = m.f8(16);
  m_Texts.geo = m_Decimal ? geodeticDecimal(lat, lon, m.f8(16)) : geodetic(lat, lon, m.f8(16));
  m_Texts.solution = solutionType(m.u1(28));
  const double tLat = m_Target.targetLat(), tLon = m_Target.targetLon();
  // No target set (0, 0): the target fields stay blank rather than show distances to 0, 0.
  const bool targetSet = tLat != 0 || tLon != 0;
  const ViewTexts blank;
  if (m_TargetChanged.exchange(false)) {
    m_Texts.targetLat = targetSet ? targetLat(tLat) : blank.targetLat;
    m_Texts.targetLon = targetSet ? targetLon(tLon) : blank.targetLon;
  }
  m_Texts.targetOffsets = targetSet ? offsets(targetOffsets(lat, lon, tLat, tLon)) : blank.targetOffsets;
}

void SessionDisplay::clear() {
  m_Texts = ViewTexts{};
  m_Tables.clear();
  m_ClockDrift = 0;
  m_EventA = m_EventB = 0;
}

ViewTexts SessionDisplay::snapshot() const {
  ViewTexts t = m_Texts;
  for (int i = 0; i < kSatTables; ++i) t.tables[static_cast<std::size_t>(i)] = m_Tables.rows(i);
  return t;
}
