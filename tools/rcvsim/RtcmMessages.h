#pragma once
// RTCM 3 frames (0xD3, length, payload, CRC-24Q) of one sky epoch: 1005 and 1006
// (the site as reference station), 1004 (GPS L1/L2 observables) and 1033
// (receiver and antenna descriptors).
#include <cstdint>
#include <string>
#include <vector>

#include "SkyModel.h"

namespace rcvsim {

const std::vector<std::string>& rtcmNames();
std::string rtcmMessage(const std::string& name, const SkyEpoch& ep, const Ecef& reference);
std::uint32_t crc24q(const std::uint8_t* bytes, std::size_t count);

}  // namespace rcvsim
