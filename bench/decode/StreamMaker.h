#pragma once
// Inputs of the decode benchmarks: streams of one format built by the
// simulator's message generators (ZRX, NMEA, RTCM 3, CMR), RTCM 2 from the
// recorded captures (as recorded and moved off the byte boundaries), and an unknown-heavy stream (printable
// noise with a GGA sentence every 4 KiB). Each comes with the number of messages in it.
#include <cstddef>
#include <string>

namespace benchdecode {

struct Input {
  std::string name;
  std::string bytes;
  std::size_t messages = 0;  // 0: not known in advance (captures)
};

Input zrxStream(std::size_t target);
Input nmeaStream(std::size_t target);
Input rtcm3Stream(std::size_t target);
Input cmrStream(std::size_t target);
Input unknownHeavyStream(std::size_t target);
// A GGA sentence after every run of line ends, runs of up to 64 Ki CR LF pairs (a port that
// echoes blank lines, a receiver idling in text mode).
Input lineEndStream(std::size_t target);
// Empty when the capture is not there.
Input captureStream(const std::string& name, const std::string& path, std::size_t target);
// An RTCM 2 capture's word stream (the six data bits of its valid bytes)
// moved `bits` later, so that every word starts inside a byte.
Input shiftedRtcm2Stream(const std::string& name, const std::string& path, std::size_t target, unsigned bits);

}  // namespace benchdecode
