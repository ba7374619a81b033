#pragma once
// The process-wide message-pump hook. A wait on a user-interface thread must keep that thread's
// windows live; Gridlink cannot know about the program's toolkit, so the program installs a hook
// that dispatches pending UI events, and Gridlink's waits call PumpMessages() between slices.
// Without a hook PumpMessages() does nothing.
//
// The hook is called on whichever thread waits, so it must itself do nothing when called off the
// UI thread (the program's hook checks that). Install it before Gridlink starts waiting and
// remove it (SetPumpHook(nullptr)) before the UI goes away; any thread may install or remove it.
#include <cstdint>

#include "gridlink/Export.h"
#include "gridlink/platform/Event.h"

namespace Platform {

using PumpHook = void (*)();

constexpr std::uint32_t kPumpSliceMs = 50;

// Returns the hook installed before.
GRIDLINK_API PumpHook SetPumpHook(PumpHook hook);
GRIDLINK_API void PumpMessages();
// Waits on the event up to timeoutMs in slices of at most sliceMs, pumping before each slice.
GRIDLINK_API WaitResult WaitPumping(Event& event, std::uint32_t timeoutMs,
                                    std::uint32_t sliceMs = kPumpSliceMs);

}  // namespace Platform
