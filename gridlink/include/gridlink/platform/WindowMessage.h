#pragma once
// Windows as Gridlink sees them: an opaque handle to a sink that accepts posted messages, and
// the registered message numbers of the original system.
//
// The program implements IWindowSink (for instance by queueing a call to a QObject) and hands
// Gridlink a WindowHandle. The program owns the sink; it must stay alive until every Gridlink
// object given its handle has let go of it (detached or closed). Post may be called from any
// thread, so it must be thread-safe and must not block for long.
#include <cstdint>
#include <string>

#include "gridlink/Export.h"

namespace Platform {

class GRIDLINK_API IWindowSink {
 public:
  // False when the message could not be queued (the sink is closing, say).
  virtual bool Post(std::uint32_t msg, std::uintptr_t wparam, std::intptr_t lparam) = 0;

 protected:
  virtual ~IWindowSink() = default;
};

using WindowHandle = IWindowSink*;

// False for a null handle, else the sink's answer.
inline bool PostWindowMessage(WindowHandle window, std::uint32_t msg, std::uintptr_t wparam,
                              std::intptr_t lparam) {
  return window != nullptr && window->Post(msg, wparam, lparam);
}

constexpr std::uint32_t kFirstRegisteredMessage = 0xC000;

// A number in 0xC000..0xFFFF, the same for the same name for the life of the process (names
// compare without regard to case, as the original's did). 0 for an empty name or when all
// numbers are taken. Any thread may call it.
GRIDLINK_API std::uint32_t RegisterWindowMessage(const std::string& name);

}  // namespace Platform
