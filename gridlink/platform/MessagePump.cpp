#include "gridlink/platform/MessagePump.h"

#include <algorithm>
#include <atomic>

#include "gridlink/platform/Clock.h"

namespace Platform {

namespace {
std::atomic<PumpHook> g_hook{nullptr};
}

PumpHook SetPumpHook(PumpHook hook) {
  return g_hook.exchange(hook);
}

void PumpMessages() {
  if (PumpHook hook = g_hook.load()) hook();
}

WaitResult WaitPumping(Event& event, std::uint32_t timeoutMs, std::uint32_t sliceMs) {
  if (sliceMs == 0) sliceMs = 1;
  const std::uint32_t start = GetTickCount();
  for (;;) {
    PumpMessages();
    const std::uint32_t spent = GetTickCount() - start;
    const std::uint32_t left = spent >= timeoutMs ? 0 : timeoutMs - spent;
    if (event.Wait(std::min(left, sliceMs)) == WaitResult::Signalled) return WaitResult::Signalled;
    if (left <= sliceMs) return WaitResult::TimedOut;
  }
}

bool EnterPumping(CriticalSection& lock, std::uint32_t timeoutMs, std::uint32_t sliceMs) {
  if (lock.TryEnter()) return true;
  if (sliceMs == 0) sliceMs = 1;
  const std::uint32_t start = GetTickCount();
  for (;;) {
    PumpMessages();
    const std::uint32_t spent = GetTickCount() - start;
    const std::uint32_t left = spent >= timeoutMs ? 0 : timeoutMs - spent;
    if (lock.TryEnterFor(std::min(left, sliceMs))) return true;
    if (left <= sliceMs) return false;
  }
}

}  // namespace Platform
