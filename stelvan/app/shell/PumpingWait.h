#pragma once
// Waits on the GUI thread that keep windows painted and timers running but take no user input.
#include <cstdint>

namespace PumpingWait {
// Sleeps `ms`, dispatching pending events (no user input) every few milliseconds.
void Sleep(std::uint32_t ms);
// Installs Gridlink's pump hook for the GUI thread; a second call does nothing.
void InstallPumpHook();
void RemovePumpHook();
}  // namespace PumpingWait
