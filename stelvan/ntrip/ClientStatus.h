#pragma once
// What a correction client shows: its state, what came in and how fresh it
// is. A plain value copied out under the client's lock.
#include <cstdint>
#include <map>
#include <string>

namespace Ntrip {

struct ClientStatus {
  enum class State { Idle, Connecting, Streaming, Waiting, Failed, Stopped };
  State state = State::Idle;
  std::uint64_t bytes = 0;                     // correction bytes passed to the destination
  double bytesPerSecond = 0;                   // over the last seconds
  std::map<unsigned, std::uint64_t> messages;  // RTCM 3 frames by message number
  std::int64_t ageMs = -1;                     // since the last whole message; -1: none yet
  int reconnects = 0;
  std::uint64_t dropped = 0;  // correction bytes dropped while the destination was away
  int ggaSent = 0;
  std::string text;       // the last error or the state in words
  std::string mountList;  // on an unknown mount point: the caster's mount points
};

const char* StateName(ClientStatus::State s);
// "12345 B, 1.2 kB/s, 1004:12 1006:1 1077:30, age 0.4 s" (the status line's body).
std::string FormatStatus(const ClientStatus& s);
// "1004:12 1006:1" or "none".
std::string FormatMessages(const std::map<unsigned, std::uint64_t>& messages);

}  // namespace Ntrip
