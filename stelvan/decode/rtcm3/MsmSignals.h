#pragma once
// The signal an MSM signal id (DF395, 1..32) stands for in each system, as the
// two characters of its RINEX observation code ("1C", "2L", "5Q"); empty for an
// id the standard leaves reserved.
#include <string>

#include "Observations.h"

namespace engine::rtcm3 {

std::string msmSignalName(GnssSystem system, int id);

}  // namespace engine::rtcm3
