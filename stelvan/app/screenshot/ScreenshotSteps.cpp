#include "screenshot/ScreenshotSteps.h"

#include <QDir>
#include <QDockWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "config/CReceiverCfgDlg.h"
#include "linkpanel/Linkpanel.h"
#include "logging/CRealTimeLogging.h"
#include "manual/CManualMode.h"
#include "screenshot/CorrectionsShot.h"
#include "setup/SetupPages.h"
#include "shell/CCockpitView.h"
#include "shell/CMainFrame.h"
#include "shell/LiveViews.h"

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

void closeViews(CMainFrame& f) {
  for (int v = 0; v < LiveViews::kViews; ++v)
    if (f.liveViews()->isOpen(static_cast<LiveViews::View>(v)))
      f.liveViews()->toggle(static_cast<LiveViews::View>(v));
}

QWidget* viewDock(CMainFrame& f, LiveViews::View v) {
  return f.liveViews()->dock(v);
}

// A view floated beside the main window at a size of its own.
void floatView(CMainFrame& f, LiveViews::View v, QSize size) {
  QDockWidget* d = f.liveViews()->dock(v);
  d->setFloating(true);
  d->resize(size);
}

// The live views beside the main window, fed by the main session.
void addViewSteps(std::vector<ScreenshotStep>& steps) {
  ScreenshotStep both{"live-views.png", true, [](CMainFrame& f) { return &f; }, nullptr};
  both.settleMs = 9000;
  both.prepare = [](CMainFrame& f) {
    f.OnSatellites();
    f.OnPosition();
    // A taller window than the main view alone needs; the sky gets the larger share of it.
    f.resize(f.width(), 820);
    QDockWidget* sky = f.liveViews()->dock(LiveViews::Satellites);
    QDockWidget* position = f.liveViews()->dock(LiveViews::Position);
    f.resizeDocks({sky, position}, {f.height() * 3 / 5, f.height() * 2 / 5}, Qt::Vertical);
  };
  steps.push_back(both);
  steps.push_back(
      {"sky.png", true, [](CMainFrame& f) { return viewDock(f, LiveViews::Satellites); }, nullptr});
  steps.push_back(
      {"position.png", true, [](CMainFrame& f) { return viewDock(f, LiveViews::Position); }, nullptr});
  ScreenshotStep many{"sky-many.png", true, [](CMainFrame& f) { return viewDock(f, LiveViews::Satellites); },
                      nullptr};
  many.settleMs = 1000;
  many.prepare = [](CMainFrame& f) { floatView(f, LiveViews::Satellites, QSize(560, 720)); };
  steps.push_back(many);
  ScreenshotStep scatter{"scatter.png", true, [](CMainFrame& f) { return viewDock(f, LiveViews::Scatter); },
                         nullptr};
  scatter.settleMs = 10000;
  scatter.prepare = [](CMainFrame& f) {
    closeViews(f);
    f.liveViews()->dock(LiveViews::Satellites)->setFloating(false);
    f.OnScatter();
    floatView(f, LiveViews::Scatter, QSize(420, 460));
  };
  steps.push_back(scatter);
  // Long enough for a few 5 s descriptors, so the rates show.
  ScreenshotStep corrections{"corrections.png", true,
                             [](CMainFrame& f) { return viewDock(f, LiveViews::Corrections); }, nullptr};
  corrections.settleMs = 12000;
  corrections.prepare = [](CMainFrame& f) {
    closeViews(f);
    f.liveViews()->dock(LiveViews::Scatter)->setFloating(false);
    f.OnCorrections();
    floatView(f, LiveViews::Corrections, QSize(680, 560));
  };
  steps.push_back(corrections);
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
        {"logging.png", true, nullptr,
         [](CMainFrame& f) {
           closeViews(f);
           f.OnRealTimeLogging();
         },
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
    // After the first session, beside the main view as it runs on.
    std::vector<ScreenshotStep> views;
    addViewSteps(views);
    list.insert(list.begin() + 4, views.begin(), views.end());
    // The simulator runs with every system: the BeiDou page is there. A few rounds on it, and
    // the status bar's clock has ticked.
    ScreenshotStep beidou{"main-beidou.png", true, [](CMainFrame& f) { return mainOnTab(f, "BeiDou"); },
                          nullptr};
    beidou.prepare = [](CMainFrame& f) { mainOnTab(f, "BeiDou"); };
    beidou.settleMs = 2000;
    list.insert(list.begin() + 1, beidou);
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
