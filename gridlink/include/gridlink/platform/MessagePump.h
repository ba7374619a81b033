#pragma once
// The process-wide message-pump hook. A wait on a user-interface thread must keep that thread's
// windows live; Gridlink cannot know about the program's toolkit, so the program installs a hook
// that dispatches pending UI events, and Gridlink's waits call PumpMessages() between slices.
// Without a hook PumpMessages() does nothing.
//
// The hook is called on whichever thread waits, so it must itself do nothing when called off the
// UI thread (the program's hook checks that). Install it before Gridlink starts waiting and
// remove it (SetPumpHook(nullptr)) before the UI goes away; any thread may install or remove it.
//
// What a hook may run: handlers that paint, update, post, and even call Gridlink. A request
// made by a handler on a thread that is itself waiting for a reply of the same connection is
// refused at once (0, "ERDLL:Request in progress on this thread!") and the waiting request
// completes normally; CReceiver::Close made there takes effect when the waiting request ends.
// A handler must not close or delete the CConnection whose request this thread is waiting for,
// and should keep the user from starting requests (disable the controls) while one waits.
#include <cstdint>

#include "gridlink/Export.h"
#include "gridlink/platform/CriticalSection.h"
#include "gridlink/platform/Event.h"
#include "gridlink/platform/FairLock.h"

namespace Platform {

using PumpHook = void (*)();

constexpr std::uint32_t kPumpSliceMs = 50;

// Returns the hook installed before.
GRIDLINK_API PumpHook SetPumpHook(PumpHook hook);
GRIDLINK_API void PumpMessages();
GRIDLINK_API bool PumpHookInstalled();
// Waits on the event up to timeoutMs in slices of at most sliceMs, pumping before each slice.
GRIDLINK_API WaitResult WaitPumping(Event& event, std::uint32_t timeoutMs,
                                    std::uint32_t sliceMs = kPumpSliceMs);
// Takes the lock, pumping between slices while another thread holds it; false when it was
// not free within timeoutMs.
GRIDLINK_API bool EnterPumping(CriticalSection& lock, std::uint32_t timeoutMs,
                               std::uint32_t sliceMs = kPumpSliceMs);
// The same for a fair lock: this thread keeps its place in line while it pumps.
GRIDLINK_API bool EnterPumping(FairLock& lock, std::uint32_t timeoutMs, std::uint32_t sliceMs = kPumpSliceMs);

}  // namespace Platform
