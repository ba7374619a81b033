#pragma once
// One JSON object (a single line, no newline) for the contents of an RTCM 3
// message, with the field names stelvan-decode --rtcm documents.
#include <string>

#include "rtcm3/MessageContents.h"

namespace decodecli {

std::string rtcmJson(const engine::rtcm3::MessageContents& c);

}  // namespace decodecli
