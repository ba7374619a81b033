#pragma once
// RTCM 3 multiple signal messages, kind 4 (full pseudorange and phase, CNR), of
// one sky epoch: 1074 GPS (L1 C/A, L2C), 1084 GLONASS (G1, G2 C/A), 1094 Galileo
// (E1 C, E5a Q) and 1104 SBAS (L1 C/A). An epoch's MSMs carry the multiple-message
// flag on all but the last one sent.
#include <string>
#include <vector>

#include "OutputList.h"
#include "SkyModel.h"

namespace rcvsim {

bool isMsmName(const std::string& name);
// `more`: further MSMs of this epoch follow.
std::string msmMessage(const std::string& name, const SkyEpoch& ep, bool more);
// Whether an MSM comes after `item` among the items due in one epoch.
bool msmFollows(const OutputItem& item, const std::vector<const OutputItem*>& due);

}  // namespace rcvsim
