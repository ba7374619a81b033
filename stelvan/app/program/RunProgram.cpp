#include "program/RunProgram.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "icon/ProgramIcon.h"
#include "screenshot/ScreenshotRunner.h"
#include "shell/CCockpitApp.h"
#include "shell/CMainFrame.h"
#include "shell/PumpingWait.h"
#include "shell/StartOptions.h"
#include "shell/TrafficLogSetting.h"

int RunProgram(QApplication& qapp, const StartOptions& options) {
  CCockpitApp app;
  app.LoadSettings();
  QString traceError;
  const bool traced = options.traceFile.empty() ? TrafficLogSetting::ApplySaved(traceError)
                                                : TrafficLogSetting::StartForRun(
                                                      QString::fromStdString(options.traceFile), traceError);
  if (!traced) std::fprintf(stderr, "stelvan: traffic log: %s\n", traceError.toLocal8Bit().constData());
  PumpingWait::InstallPumpHook();
  InstallProgramIcon();  // the dialogs, Linkpanel's included, show it too
  // Hiding the main window for a tool must not end the program; only its close path does.
  qapp.setQuitOnLastWindowClosed(false);
  int status = 0;
  {
    CMainFrame frame(app);
    QObject::connect(&frame, &CMainFrame::closed, &qapp, &QCoreApplication::quit, Qt::QueuedConnection);
    frame.show();
    CONNECTION_INFO info;
    if (options.ConnectionInfo(info)) {
      QTimer::singleShot(0, &frame, [&frame, info] { frame.ConnectWith(info); });
    } else if (options.screenshotDir.empty()) {
      QTimer::singleShot(0, &frame, &CMainFrame::OnConnection);
    }
    std::unique_ptr<ScreenshotRunner> shots;
    if (!options.screenshotDir.empty())
      shots = std::make_unique<ScreenshotRunner>(frame, QString::fromStdString(options.screenshotDir));
    status = qapp.exec();
    if (shots && !shots->allWritten()) status = 1;
  }
  PumpingWait::RemovePumpHook();
  return status;
}
