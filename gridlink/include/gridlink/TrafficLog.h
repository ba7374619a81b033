#pragma once
// The traffic log: a record a user can switch on of what went to receivers and servers and
// what came back, for a field connection that misbehaves. One process-wide file; each line is
// "YYYY-MM-DD hh:mm:ss.mmm sent|recv WHO: BODY", the body as text when it is printable (CR and
// LF shown as <cr> and <lf>), else "hex" and its bytes. When the file would grow past its size
// limit it is renamed to FILE.1 (replacing an older one) and a new FILE begins.
//
// Any thread may log; lines are written whole, in the order they were logged. While the log
// is off, logging costs one atomic load.
#include <cstdint>
#include <string>
#include <string_view>

#include "gridlink/Export.h"

namespace Gridlink {

class GRIDLINK_API TrafficLog {
 public:
  static constexpr std::uint64_t kDefaultLimit = 16ull * 1024 * 1024;
  static constexpr std::size_t kMaxBody = 8192;  // longer bodies are cut, with a note

  // Starts logging to path (appending), or moves the log there; false with the reason in
  // error when the file cannot be opened (the log is then off).
  static bool Start(const std::string& path, std::uint64_t limitBytes, std::string& error);
  static void Stop();
  static bool Active();
  static std::string Path();

  static void Sent(std::string_view who, std::string_view bytes);
  static void Received(std::string_view who, std::string_view bytes);
  // The body as the log shows it.
  static std::string Body(std::string_view bytes);
};

}  // namespace Gridlink
