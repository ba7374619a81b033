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

bool PumpHookInstalled() {
  return g_hook.load() != nullptr;
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
  // Polled: a timed lock would hide its owner from the thread checker, and a lock is held
  // for one request at most, so a millisecond's delay in taking it over costs nothing.
  const std::uint32_t start = GetTickCount();
  std::uint32_t lastPump = start - sliceMs;
  for (;;) {
    const std::uint32_t now = GetTickCount();
    if (now - lastPump >= sliceMs) {
      PumpMessages();
      lastPump = now;
    }
    if (lock.TryEnter()) return true;
    if (now - start >= timeoutMs) return false;
    Sleep(1);
  }
}

bool EnterPumping(FairLock& lock, std::uint32_t timeoutMs, std::uint32_t sliceMs) {
  if (lock.TryEnter()) return true;
  PumpMessages();
  return lock.EnterFor(timeoutMs, PumpHookInstalled() ? &PumpMessages : nullptr, sliceMs);
}

}  // namespace Platform
