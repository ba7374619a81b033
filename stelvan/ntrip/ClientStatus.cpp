#include "ClientStatus.h"

#include <cstdio>

namespace Ntrip {

const char* StateName(ClientStatus::State s) {
  switch (s) {
    case ClientStatus::State::Idle:
      return "idle";
    case ClientStatus::State::Connecting:
      return "connecting";
    case ClientStatus::State::Streaming:
      return "connected";
    case ClientStatus::State::Waiting:
      return "waiting to reconnect";
    case ClientStatus::State::Failed:
      return "failed";
    case ClientStatus::State::Stopped:
      return "stopped";
  }
  return "";
}

std::string FormatMessages(const std::map<unsigned, std::uint64_t>& messages) {
  std::string out;
  for (const auto& [type, count] : messages)
    out += (out.empty() ? "" : " ") + std::to_string(type) + ":" + std::to_string(count);
  return out.empty() ? "none" : out;
}

std::string FormatStatus(const ClientStatus& s) {
  char head[128];
  std::snprintf(head, sizeof head, "%s, %llu B, %.1f kB/s, messages ", StateName(s.state),
                static_cast<unsigned long long>(s.bytes), s.bytesPerSecond / 1000.0);
  std::string out = head + FormatMessages(s.messages);
  char tail[96];
  if (s.ageMs >= 0)
    std::snprintf(tail, sizeof tail, ", age %.1f s", static_cast<double>(s.ageMs) / 1000.0);
  else
    std::snprintf(tail, sizeof tail, ", age -");
  out += tail;
  if (s.reconnects) out += ", reconnects " + std::to_string(s.reconnects);
  if (s.dropped) out += ", dropped " + std::to_string(s.dropped) + " B";
  return out;
}

}  // namespace Ntrip
