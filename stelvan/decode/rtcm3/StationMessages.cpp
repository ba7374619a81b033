#include "StationMessages.h"

namespace engine::rtcm3 {

namespace {
constexpr double kArpUnit = 0.0001;  // DF025-DF028: 0.1 mm
}

bool readStationArp(BitReader& r, unsigned type, StationArp& out) {
  out.station = static_cast<unsigned>(r.u(12));     // DF003
  out.itrfYear = static_cast<unsigned>(r.u(6));     // DF021
  r.skip(4);                                        // DF022-DF024 systems, DF141 reference-station kind
  out.x = static_cast<double>(r.s(38)) * kArpUnit;  // DF025
  r.skip(2);                                        // DF142 single oscillator, DF001 reserved
  out.y = static_cast<double>(r.s(38)) * kArpUnit;  // DF026
  r.skip(2);                                        // DF364 quarter-cycle indicator
  out.z = static_cast<double>(r.s(38)) * kArpUnit;  // DF027
  out.hasHeight = type == 1006;
  if (out.hasHeight) out.antennaHeight = static_cast<double>(r.u(16)) * kArpUnit;  // DF028
  return r.ok();
}

bool readAntennaDescriptor(BitReader& r, unsigned type, AntennaDescriptor& out) {
  out.station = static_cast<unsigned>(r.u(12));  // DF003
  out.antenna = r.text();                        // DF029, DF030
  out.setup = static_cast<unsigned>(r.u(8));     // DF031
  out.hasSerial = type != 1007;
  if (out.hasSerial) out.antennaSerial = r.text();  // DF032, DF033
  out.hasReceiver = type == 1033;
  if (out.hasReceiver) {
    out.receiver = r.text();        // DF227, DF228
    out.firmware = r.text();        // DF229, DF230
    out.receiverSerial = r.text();  // DF231, DF232
  }
  return r.ok();
}

}  // namespace engine::rtcm3
