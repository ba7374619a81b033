#include "shell/PumpingWait.h"

#include <QCoreApplication>
#include <QThread>

#include "gridlink/platform/Clock.h"
#include "gridlink/platform/MessagePump.h"

namespace {

// Gridlink's waits call this between slices on whatever thread waits.
void pumpGuiEvents() {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() != app->thread()) return;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

namespace PumpingWait {

void Sleep(std::uint32_t ms) {
  const std::uint32_t start = Platform::GetTickCount();
  for (;;) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const std::uint32_t spent = Platform::GetTickCount() - start;
    if (spent >= ms) return;
    Platform::Sleep(std::min<std::uint32_t>(ms - spent, 20));
  }
}

void InstallPumpHook() {
  Platform::SetPumpHook(&pumpGuiEvents);
}

void RemovePumpHook() {
  Platform::SetPumpHook(nullptr);
}

}  // namespace PumpingWait
