#include "MessageContents.h"

#include "LegacyObservations.h"
#include "MsmHeader.h"

namespace engine::rtcm3 {

namespace {

// Types with no contents decoded here that still open with DF003 after DF002.
bool stationFollowsType(unsigned type) {
  return (type >= 1001 && type <= 1013) || type == 1029 || type == 1033 || type == 1034 || type == 1035 ||
         type == 1230 || isMsm(type);
}

bool decodeKnown(BitReader& r, MessageContents& c) {
  const unsigned t = c.type;
  if (t == 1005 || t == 1006) {
    c.kind = ContentKind::StationArp;
    return readStationArp(r, t, c.arp);
  }
  if (t == 1007 || t == 1008 || t == 1033) {
    c.kind = ContentKind::Descriptor;
    return readAntennaDescriptor(r, t, c.descriptor);
  }
  if (isMsm(t)) {
    c.kind = ContentKind::Observations;
    return readMsmHeader(r, t, c.observations);
  }
  if (isLegacyObservation(t)) {
    c.kind = ContentKind::Observations;
    return readLegacyObservations(r, t, c.observations);
  }
  if (isEphemeris(t)) {
    c.kind = ContentKind::Ephemeris;
    return readEphemerisHeader(r, t, c.ephemeris);
  }
  return true;
}

}  // namespace

MessageContents decodeContents(const std::uint8_t* payload, std::size_t length) {
  MessageContents c;
  BitReader r(payload, length);
  c.type = static_cast<unsigned>(r.u(12));  // DF002
  if (!r.ok()) {
    c.truncated = true;
    return c;
  }
  if (stationFollowsType(c.type)) {
    BitReader peek(payload, length);
    peek.skip(12);
    c.station = static_cast<unsigned>(peek.u(12));
    c.hasStation = peek.ok();
  }
  if (!decodeKnown(r, c)) {
    c.kind = ContentKind::Other;
    c.truncated = true;
  }
  return c;
}

}  // namespace engine::rtcm3
