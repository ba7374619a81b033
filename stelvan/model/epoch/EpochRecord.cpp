#include "EpochRecord.h"

#include "NmeaEpochFields.h"
#include "decode/parsers/ZrxBodies.h"

namespace Tellus {

const TLSatellite* TLEpochStructure::satelliteByNumber(int nmeaNumber) const {
  const auto it = byNumber.find(nmeaNumber);
  return it == byNumber.end() ? nullptr : &satellites[it->second];
}

namespace {

void addZrx(TLEpochStructure& r, engine::IMessageGNSS* m) {
  const engine::zrx::Bytes b = engine::zrx::messageBytes(m);
  const std::string id = m->identifier();
  if (id == "PV") {
    if (const auto pv = engine::zrx::readPositionVelocity(b.data, b.size)) {
      r.position.accuracy = pv->positionDeviation;
      r.velocity.accuracy = pv->velocityDeviation;
      r.flags |= kHasAccuracy;
    }
  } else if (id == "DP") {
    if (const auto dp = engine::zrx::readDops(b.data, b.size)) {
      r.dilution.tdop = dp->tdop;
      r.flags |= kHasDop;
    }
  } else if (id == "SG") {
    if (const auto sg = engine::zrx::readRmsErrors(b.data, b.size)) {
      r.rmsPosition[0] = sg->hPosition;
      r.rmsPosition[1] = sg->vPosition;
      r.rmsVelocity[0] = sg->hVelocity;
      r.rmsVelocity[1] = sg->vVelocity;
    }
  }
}

}  // namespace

void addToRecord(TLEpochStructure& r, engine::IMessageGNSS* m) {
  if (!m) return;
  const std::string format = m->format();
  if (format == "ZRX") {
    addZrx(r, m);
  } else if (format == "NMEA") {
    std::vector<std::uint8_t> raw;
    m->appendRaw(raw);
    nmea::addSentence(r, m->identifier(), std::string(raw.begin(), raw.end()));
  }
}

void finishRecord(TLEpochStructure& r) {
  if (!r.hasGsa && r.ggaHdop) {
    r.dilution.hdop = r.ggaHdop;
    r.flags |= kHasDop;
  }
  r.satellites.clear();
  r.byNumber.clear();
  for (const auto& [key, s] : r.pendingSatellites) {
    r.byNumber.emplace(s.nmeaNumber, r.satellites.size());
    r.satellites.push_back(s);
  }
  if (!r.viewTotals.empty()) {
    std::uint32_t inView = 0;
    for (const auto& [talker, total] : r.viewTotals) inView += total;
    r.satellitesInView = inView;
  }
}

}  // namespace Tellus
