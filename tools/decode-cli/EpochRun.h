#pragma once
// stelvan-decode --epochs: the stream decoded as by default, fed through the
// receiver model's listener storage and epoch composer; every finished epoch
// is printed as one JSON object per line, in order.
#include <cstdio>
#include <string>

#include "DecodeRun.h"

namespace Tellus {
class IGnssEpoch;
}

namespace decodecli {

struct EpochOptions {
  // "FORMAT:ID" (FORMAT as --stats spells it, an NMEA identifier without its
  // talker); empty: none. Without either, the end marker is "ZRX:||".
  std::string begin, end;
};

// False when a marker does not read as FORMAT:ID.
bool parseMarker(const std::string& text, std::string& format, std::string& id);
RunResult runEpochs(std::FILE* in, const EpochOptions& opt, std::FILE* out);
std::string epochJson(Tellus::IGnssEpoch* epoch);

}  // namespace decodecli
