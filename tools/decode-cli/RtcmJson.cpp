#include "RtcmJson.h"

#include <cstdio>

#include "JsonText.h"
#include "rtcm3/Wgs84.h"

namespace decodecli {

namespace {

using namespace engine::rtcm3;

void field(std::string& out, const char* name, const std::string& rawValue) {
  out += ", \"";
  out += name;
  out += "\": ";
  out += rawValue;
}

std::string fixed(double v, int decimals) {
  char b[64];
  std::snprintf(b, sizeof b, "%.*f", decimals, v);
  return b;
}

std::string numbers(const std::vector<int>& v) {
  std::string s = "[";
  for (std::size_t i = 0; i < v.size(); ++i) s += (i ? ", " : "") + std::to_string(v[i]);
  return s + "]";
}

void arp(std::string& out, const StationArp& a) {
  field(out, "x", fixed(a.x, 4));
  field(out, "y", fixed(a.y, 4));
  field(out, "z", fixed(a.z, 4));
  if (a.hasHeight) field(out, "antenna_height", fixed(a.antennaHeight, 4));
  const Geodetic g = ecefToGeodetic(a.x, a.y, a.z);
  field(out, "lat", fixed(g.latDeg, 9));
  field(out, "lon", fixed(g.lonDeg, 9));
  field(out, "h", fixed(g.h, 4));
}

void descriptor(std::string& out, const AntennaDescriptor& d) {
  field(out, "antenna", jsonQuoted(d.antenna));
  field(out, "antenna_setup", std::to_string(d.setup));
  field(out, "antenna_serial", jsonQuoted(d.antennaSerial));  // empty for 1007, which has none
  if (!d.hasReceiver) return;
  field(out, "receiver", jsonQuoted(d.receiver));
  field(out, "firmware", jsonQuoted(d.firmware));
  field(out, "receiver_serial", jsonQuoted(d.receiverSerial));
}

void observations(std::string& out, const ObservationHeader& o) {
  field(out, "system", jsonQuoted(systemName(o.system)));
  field(out, "epoch_ms", std::to_string(o.epochMs));
  if (o.dayOfWeek >= 0) field(out, "day_of_week", std::to_string(o.dayOfWeek));
  field(out, "multiple", o.multiple ? "true" : "false");
  field(out, "satellites", numbers(o.satellites));
  if (o.msmKind == 0) return;
  field(out, "signals", numbers(o.signalIds));
  field(out, "cells", std::to_string(o.cells));
}

void ephemeris(std::string& out, const EphemerisHeader& e) {
  field(out, "system", jsonQuoted(systemName(e.system)));
  field(out, "satellite", std::to_string(e.satellite));
  if (e.hasWeek) {
    field(out, "week", std::to_string(e.week));
    field(out, "toe", std::to_string(e.toe));
  } else {
    field(out, "tb", std::to_string(e.toe));
  }
}

}  // namespace

std::string rtcmJson(const MessageContents& c) {
  std::string out = "{\"type\": " + std::to_string(c.type);
  // Ephemerides carry no station; every other decoded kind does.
  if (c.hasStation) field(out, "station", std::to_string(c.station));
  switch (c.kind) {
    case ContentKind::StationArp:
      arp(out, c.arp);
      break;
    case ContentKind::Descriptor:
      descriptor(out, c.descriptor);
      break;
    case ContentKind::Observations:
      observations(out, c.observations);
      break;
    case ContentKind::Ephemeris:
      ephemeris(out, c.ephemeris);
      break;
    case ContentKind::Other:
      break;
  }
  if (c.truncated) field(out, "truncated", "true");
  return out + "}";
}

}  // namespace decodecli
