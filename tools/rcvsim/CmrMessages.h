#pragma once
// CMR frames (STX, status, type 0x93, length, data, checksum, ETX) of one sky
// epoch: type 0 (GPS L1 observables), 1 (reference location), 2 (description).
#include <string>
#include <vector>

#include "SkyModel.h"

namespace rcvsim {

const std::vector<std::string>& cmrNames();
std::string cmrMessage(const std::string& name, const SkyEpoch& ep, const Ecef& reference);

}  // namespace rcvsim
