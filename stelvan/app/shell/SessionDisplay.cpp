#include "shell/SessionDisplay.h"

#include "decode/parsers/ZrxBodies.h"
#include "shell/DisplayFormat.h"

using namespace DisplayFormat;

void SessionDisplay::handle(const std::string& message) {
  const std::string id = message.substr(0, 2);
  if (id == "||") {
    m_Tables.clearSeen();
  } else if (m_Tables.handle(message, m_ClockDrift)) {
    if (id == "SI") m_Texts.satCounts = m_Tables.countsText();
  } else if (id == "XA") {
    m_Texts.eventA = eventCount('A', ++m_EventA);
  } else if (id == "XB") {
    m_Texts.eventB = eventCount('B', ++m_EventB);
  } else if (!solution(message)) {
    status(message);
  }
}

bool SessionDisplay::solution(const std::string& message) {
  namespace zrx = engine::zrx;
  const auto* d = reinterpret_cast<const std::uint8_t*>(message.data());
  const std::size_t n = message.size();
  if (const auto pg = zrx::readGeodeticPosition(d, n)) {
    position(*pg);
  } else if (const auto pv = zrx::readPositionVelocity(d, n)) {
    if (zrx::hasSolution(pv->solutionType)) {
      m_Texts.xyz = cartesian(pv->x, pv->y, pv->z);
      m_Texts.vel = velocity(pv->vx, pv->vy, pv->vz);
    }
  } else if (const auto po = zrx::readCartesianPosition(d, n)) {
    if (zrx::hasSolution(po->solutionType)) m_Texts.xyz = cartesian(po->x, po->y, po->z);
  } else if (const auto ve = zrx::readCartesianVelocity(d, n)) {
    if (zrx::hasSolution(ve->solutionType)) m_Texts.vel = speed(ve->x, ve->y, ve->z);
  } else if (const auto dp = zrx::readDops(d, n)) {
    m_Texts.pdop = pdop(dp->hdop, dp->vdop);
    m_Texts.hdop = hdop(dp->hdop);
  } else if (const auto sg = zrx::readRmsErrors(d, n)) {
    m_Texts.rmsPos = rmsPosition(sg->hPosition, sg->vPosition);
    m_Texts.rmsVel = rmsVelocity(sg->hVelocity, sg->vVelocity);
  } else {
    return false;
  }
  return true;
}

void SessionDisplay::status(const std::string& message) {
  namespace zrx = engine::zrx;
  const auto* d = reinterpret_cast<const std::uint8_t*>(message.data());
  const std::size_t n = message.size();
  if (const auto time = zrx::readReceiverTime(d, n)) {
    m_Texts.rcvTime = receiverTime(time->msOfDay);
  } else if (const auto date = zrx::readReceiverDate(d, n)) {
    m_Texts.rcvDate = receiverDate(date->year, date->month, date->day);
  } else if (const auto drift = zrx::readClockDrift(d, n)) {
    m_ClockDrift = *drift;
    m_Texts.clockOffset = clockOffset(m_ClockDrift);
  } else if (const auto offset = zrx::readOscillatorOffset(d, n)) {
    m_Texts.oscOffset = oscillatorOffset(*offset);
  } else if (const auto lock = zrx::readLockTime(d, n)) {
    m_Texts.trackTime = trackingTime(*lock);
  } else if (const auto text = zrx::readRtcmStatusText(d, n)) {
    m_Texts.rtcm = rtcmStatus(std::string(*text));
  } else if (const auto almanac = zrx::readAlmanacSatellite(d, n)) {
    m_Tables.setAlmanac(message[0] == 'N', *almanac);
  }
}

void SessionDisplay::position(const engine::zrx::GeodeticPosition& pg) {
  m_Texts.solution = solutionType(pg.solutionType);
  // A message without a position leaves the last one standing, as the Cartesian ones do.
  if (!engine::zrx::hasPosition(pg)) return;
  const double lat = pg.lat, lon = pg.lon;
  m_Texts.hasPosition = true;
  m_Texts.lat = lat;
  m_Texts.lon = lon;
  m_Texts.height = pg.height;
  m_Texts.geo = m_Decimal ? geodeticDecimal(lat, lon, pg.height) : geodetic(lat, lon, pg.height);
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
