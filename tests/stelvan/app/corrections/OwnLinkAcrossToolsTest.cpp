// Corrections through the receiver's own link, in the real main window against the simulator
// (in-process, so that its count of correction frames can be read) and a caster on 127.0.0.1:
// a tool that borrows the receiver pauses the run (nothing reaches the lent receiver), the run
// goes on by itself once the session is live again, and Disconnect ends it with the reason.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdlib>

#include "../QtSupport.h"
#include "ChildProcess.h"
#include "DialogSteps.h"
#include "TempDir.h"
#include "TestCaster.h"
#include "TestPaths.h"
#include "gridlink/CReceiver.h"
#include "rcvsim/Simulator.h"
#include "shell/CCockpitApp.h"
#include "shell/CCockpitView.h"
#include "shell/CMainFrame.h"
#include "shell/PumpingWait.h"

namespace {

QString text(QWidget* w, const char* name) {
  auto* label = w->findChild<QLabel*>(name);
  return label ? label->text() : QString("<no %1>").arg(name);
}

}  // namespace

TEST(OwnLinkAcrossTools, PausedWhileAToolHasTheReceiverResumedAfterItAndEndedByDisconnect) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  ScopedConfigHome config;
  TempDir files;
  testApp();
  PumpingWait::InstallPumpHook();
  rcvsim::Options so;
  so.pty = true;
  so.seed = 7;
  so.filesDir = files.str();
  rcvsim::Simulator sim(so);
  std::string error;
  ASSERT_TRUE(sim.start(error)) << error;
  TestCaster::Options co;
  co.stream = readWhole(dir + "/pygpsdata-NTRIP-USCL00CHL0.log");
  co.repeatMs = 1000;
  TestCaster caster(co);
  ASSERT_TRUE(caster.start());
  {
    dialogsteps::LiveWindow live("COM" + sim.ptyPath() + ":115200:1");
    ASSERT_TRUE(live.connected);
    CCockpitApp& app = live.app;
    CMainFrame& frame = live.frame;
    std::string reply;
    ASSERT_EQ(app.GetReceiver()->SendCommand("set,/par/dev/ser/a/imode,omni", reply), 1) << reply;

    frame.OnCorrectionsInput();
    auto* dlg = frame.findChild<QDialog*>("dlgCorrections");
    ASSERT_NE(dlg, nullptr);
    dialogsteps::fillCaster(dlg, caster.port(), "MNT");
    dlg->findChild<QCheckBox*>("ntripOwnLink")->setChecked(true);
    dlg->findChild<QPushButton*>("ntripStart")->click();
    ASSERT_TRUE(waitFor([&] { return frame.view()->texts().solution == "(RTK fixed)"; }, 30000))
        << frame.view()->texts().solution << " / " << text(dlg, "ntripText").toStdString();

    // A tool has the receiver: the corrections wait outside, and the dialog says why.
    std::uint64_t inTool = 0, afterTool = 0;
    QString stateInTool, textInTool;
    ASSERT_TRUE(frame.RunReceiverDialog(
        [&](CReceiver*) {
          waitFor(
              [&] {
                return text(dlg, "ntripState") == "paused" && text(dlg, "ntripText").contains("dropped");
              },
              10000);
          stateInTool = text(dlg, "ntripState");
          textInTool = text(dlg, "ntripText");
          if (const char* pictures = std::getenv("STELVAN_PICTURE_DIR"))
            dlg->grab().save(QString(pictures) + "/corrections-paused.png");
          inTool = sim.correctionFrames();
          QTest::qWait(2500);  // more than two of the caster's seconds
          afterTool = sim.correctionFrames();
        },
        "Configuration"));
    EXPECT_EQ(stateInTool, "paused");
    EXPECT_TRUE(textInTool.startsWith("paused: the receiver is in use by Configuration"))
        << textInTool.toStdString();
    EXPECT_EQ(afterTool, inTool) << "corrections reached a receiver lent to a tool";

    // Live again: the same run goes on into the receiver the session has now.
    EXPECT_TRUE(waitFor([&] { return sim.correctionFrames() >= afterTool + 10; }, 30000))
        << sim.correctionFrames() << " frames, " << afterTool << " when the tool ended; "
        << text(dlg, "ntripText").toStdString();
    EXPECT_TRUE(waitFor([&] { return frame.view()->texts().solution.rfind("(RTK", 0) == 0; }, 30000))
        << frame.view()->texts().solution;
    EXPECT_TRUE(waitFor([&] { return text(dlg, "ntripState") == "connected"; }, 5000))
        << text(dlg, "ntripState").toStdString();
    EXPECT_FALSE(dlg->findChild<QPushButton*>("ntripStart")->isEnabled());

    // Disconnect ends the run for good, with the reason, even before the next corrections come.
    frame.Disconnect();
    EXPECT_TRUE(waitFor([&] { return dlg->findChild<QPushButton*>("ntripStart")->isEnabled(); }, 10000));
    EXPECT_NE(text(dlg, "ntripText").indexOf("the receiver was disconnected"), -1)
        << text(dlg, "ntripText").toStdString();
    const std::uint64_t ended = sim.correctionFrames();
    QTest::qWait(1500);
    EXPECT_EQ(sim.correctionFrames(), ended);
  }
  PumpingWait::RemovePumpHook();
}
