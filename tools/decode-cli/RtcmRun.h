#pragma once
// stelvan-decode --rtcm: the stream decoded as by default; every RTCM 3
// message is printed, in order, as one JSON object per line with its contents.
#include <cstdio>

#include "DecodeRun.h"

namespace decodecli {

RunResult runRtcm(std::FILE* in, bool strict, std::FILE* out);

}  // namespace decodecli
