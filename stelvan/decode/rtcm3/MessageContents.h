#pragma once
// The contents of one RTCM 3 message body that a user checks: station
// position, descriptors, observation epochs and ephemeris times. Pure
// functions over the bytes; any thread.
#include <cstddef>
#include <cstdint>

#include "EphemerisHeader.h"
#include "Observations.h"
#include "StationMessages.h"

namespace engine::rtcm3 {

enum class ContentKind { Other, StationArp, Descriptor, Observations, Ephemeris };

struct MessageContents {
  unsigned type = 0;  // DF002
  bool hasStation = false;
  unsigned station = 0;  // DF003, where the type carries one
  ContentKind kind = ContentKind::Other;
  // The body ends (or its masks overflow) before the fields of its type do; kind is Other then.
  bool truncated = false;
  StationArp arp;                  // 1005, 1006
  AntennaDescriptor descriptor;    // 1007, 1008, 1033
  ObservationHeader observations;  // MSM, 1001-1004, 1009-1012
  EphemerisHeader ephemeris;       // 1019, 1020, 1042, 1044, 1045, 1046
};

// payload: the message body (after the three header bytes, without the CRC).
MessageContents decodeContents(const std::uint8_t* payload, std::size_t length);

}  // namespace engine::rtcm3
