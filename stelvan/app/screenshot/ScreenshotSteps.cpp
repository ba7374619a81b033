#include "screenshot/ScreenshotSteps.h"

#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <QTabWidget>

#include "linkpanel/Linkpanel.h"
#include "logging/CRealTimeLogging.h"
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
      {"sky.png", true, nullptr, [](CMainFrame& f) { f.OnSatellites(); }, nullptr, 9000},
      {"scatter.png", true, nullptr, [](CMainFrame& f) { f.OnScatter(); }, nullptr, 12000},
      {"position.png", true, nullptr, [](CMainFrame& f) { f.OnPosition(); }, nullptr, 12000},
      {"about.png", true, nullptr, [](CMainFrame& f) { f.OnAbout(); }, nullptr, 1000},
      {"logging.png", true, nullptr, [](CMainFrame& f) { f.OnRealTimeLogging(); },
       [](QWidget* dlg) {
         // Start a run, into a folder of its own, once the receiver's message lists are in.
         if (auto* rtl = qobject_cast<logging::CRealTimeLogging*>(dlg)) {
           const QString dir = QDir::tempPath() + "/stelvan-screenshot-logs";
           QDir().mkpath(dir);
           rtl->setOutputPath(dir);
         }
         auto* start = dlg->findChild<QPushButton*>("rtlStart");
         auto* timer = new QTimer(dlg);
         QObject::connect(timer, &QTimer::timeout, dlg, [start, timer] {
           if (!start->isEnabled()) return;
           timer->stop();
           start->click();
         });
         timer->start(200);
       },
       14000},
  };
  return steps;
}
