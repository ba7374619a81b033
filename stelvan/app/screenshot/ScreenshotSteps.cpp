#include "screenshot/ScreenshotSteps.h"

#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "config/CReceiverCfgDlg.h"
#include "screenshot/CorrectionsShot.h"
#include "linkpanel/Linkpanel.h"
#include "logging/CRealTimeLogging.h"
#include "manual/CManualMode.h"
#include "setup/SetupPages.h"
#include "shell/CCockpitView.h"
#include "shell/CMainFrame.h"

namespace {

QWidget* mainOnTab(CMainFrame& frame, const char* tab) {
  auto* tabs = frame.view()->findChild<QTabWidget*>("tabs");
  for (int i = 0; i < tabs->count(); ++i)
    if (tabs->tabText(i) == tab) tabs->setCurrentIndex(i);
  return &frame;
}

// One picture per configuration page, each read from the receiver.
void addConfigPages(std::vector<ScreenshotStep>& steps) {
  for (int i = 0; i < static_cast<int>(SetupPages::kNames.size()); ++i) {
    const QString file =
        QString("config-%1.png").arg(QString(SetupPages::kNames[static_cast<std::size_t>(i)]).toLower());
    steps.push_back({file, true, nullptr, [](CMainFrame& f) { f.OnReceiverConfiguration(); },
                     [i](QWidget* dlg) {
                       if (auto* cfg = qobject_cast<CReceiverCfgDlg*>(dlg)) cfg->tabs()->setCurrentIndex(i);
                     },
                     5000});
  }
}

}  // namespace

const std::vector<ScreenshotStep>& ScreenshotSteps() {
  static const std::vector<ScreenshotStep> steps = [] {
    std::vector<ScreenshotStep> list = {
        {"main-gps.png", true, [](CMainFrame& f) { return mainOnTab(f, "GPS"); }, nullptr},
        {"main-location.png", true, [](CMainFrame& f) { return mainOnTab(f, "Location"); }, nullptr},
        // While the first session runs: the About box reads the receiver report through it.
        {"about.png", true, nullptr, [](CMainFrame& f) { f.OnAbout(); }, nullptr, 1000},
        // After the first session: the local server has remembered the simulator's port by then.
        {"connect.png", true, nullptr,
         [](CMainFrame&) {
           CONNECTION_INFO info;
           Kestrel::GetServerAndRcvList(info);
         }},
        {"sky.png", true, nullptr, [](CMainFrame& f) { f.OnSatellites(); }, nullptr, 9000},
        {"scatter.png", true, nullptr, [](CMainFrame& f) { f.OnScatter(); }, nullptr, 12000},
        {"position.png", true, nullptr, [](CMainFrame& f) { f.OnPosition(); }, nullptr, 12000},
        // Long enough for a few 5 s descriptors, so the rates show.
        {"corrections.png", true, nullptr, [](CMainFrame& f) { f.OnCorrections(); }, nullptr, 12000},
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
        {"files.png", true, nullptr, [](CMainFrame& f) { f.OnFileManager(); }, nullptr, 4000},
        {"manual.png", true, nullptr, [](CMainFrame& f) { f.OnManualMode(); },
         [](QWidget* dlg) {
           if (auto* manual = qobject_cast<CManualMode*>(dlg)) {
             manual->sendCommand("print,/par/rcv/model");
             manual->sendCommand("print,/par/pos/elm");
           }
         },
         3000},
    };
    // Corrections from the caster that screenshot.sh starts, into the simulator's port B; the
    // main view then shows what they do.
    list.push_back({"ntrip.png", true, nullptr, [](CMainFrame& f) { corrections::OpenForPicture(f); },
                    [](QWidget* dlg) { corrections::StartForPicture(dlg); }, 12000});
    list.push_back({"main-rtk.png", true, [](CMainFrame& f) { return mainOnTab(f, "Location"); }, nullptr});
    addConfigPages(list);
    return list;
  }();
  return steps;
}
