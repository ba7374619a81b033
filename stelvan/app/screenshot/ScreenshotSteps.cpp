#include "screenshot/ScreenshotSteps.h"

#include <QTabWidget>

#include "linkpanel/Linkpanel.h"
#include "shell/CCockpitView.h"
#include "shell/CMainFrame.h"

namespace {

QWidget* mainOnTab(CMainFrame& frame, const char* tab) {
  auto* tabs = frame.view()->findChild<QTabWidget*>("tabs");
  for (int i = 0; i < tabs->count(); ++i)
    if (tabs->tabText(i) == tab) tabs->setCurrentIndex(i);
  return &frame;
}

}  // namespace

const std::vector<ScreenshotStep>& ScreenshotSteps() {
  static const std::vector<ScreenshotStep> steps = {
      {"connect.png", false, nullptr,
       [](CMainFrame&) {
         CONNECTION_INFO info;
         Kestrel::GetServerAndRcvList(info);
       }},
      {"main-gps.png", true, [](CMainFrame& f) { return mainOnTab(f, "GPS"); }, nullptr},
      {"main-location.png", true, [](CMainFrame& f) { return mainOnTab(f, "Location"); }, nullptr},
  };
  return steps;
}
