#pragma once
// RTCM 2 messages of one sky epoch: type 1 (differential GPS corrections) and type 3
// (the site as reference station, ECEF in centimetres). 30-bit words (24 data bits and the
// GPS parity), sent six bits a byte, first bit in the byte's lowest bit, with 01 on top.
#include <string>

#include "SkyModel.h"

namespace rcvsim {

// The last two parity bits (D29, D30) of the words a stream has sent, on which the next word's
// parity and polarity rest, and the stream's message sequence number: each stream keeps one
// across its messages.
struct Rtcm2Tail {
  unsigned d29 = 0, d30 = 0;
  unsigned sequence = 0;
};

bool isRtcm2Name(const std::string& name);
// "" for a message this receiver cannot build.
std::string rtcm2Message(const std::string& name, const SkyEpoch& ep, const Ecef& reference, Rtcm2Tail& tail);

}  // namespace rcvsim
