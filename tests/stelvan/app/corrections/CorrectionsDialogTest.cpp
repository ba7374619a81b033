// "Corrections input" in the real main window against the simulator program
// (with its port B) and a caster on 127.0.0.1: the source table's mount
// points nearest to the receiver first, the receiver's position uploaded,
// the stream's live status, and the main view's solution reaching RTK fixed.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include "../QtSupport.h"
#include "ChildProcess.h"
#include "OpensslServer.h"
#include "PipedProcess.h"
#include "Str2StrCaster.h"
#include "TempDir.h"
#include "TestCaster.h"
#include "TestPaths.h"
#include "DialogSteps.h"
#include "corrections/CCorrectionsDlg.h"
#include "gridlink/CReceiver.h"
#include "gridlink/platform/PtyPair.h"
#include "shell/CCockpitApp.h"
#include "shell/CCockpitView.h"
#include "shell/CMainFrame.h"
#include "shell/PumpingWait.h"

namespace {

// rcvsim with its port B; serves until its standard input closes.
struct SimWithPortB {
  bool start() {
    if (!proc.start(TestPaths::binDir() + "/rcvsim", {"--pty", "--port-b", "--seed", "7"})) return false;
    std::string line;
    while (pty.empty() || portB.empty()) {
      if (!proc.readLine(line, 10000, [] { QCoreApplication::processEvents(); })) return false;
      if (line.rfind("pty ", 0) == 0)
        pty = line.substr(4);
      else if (line.rfind("ptyb ", 0) == 0)
        portB = line.substr(5);
      else
        return false;
    }
    return true;
  }
  PipedProcess proc;
  std::string pty, portB;
};

template <typename T>
T* child(QWidget* w, const char* name) {
  T* c = w->findChild<T*>(name);
  EXPECT_NE(c, nullptr) << name;
  return c;
}

}  // namespace

TEST(CorrectionsDialog, NearestMountPointThenRtkFixedInTheMainView) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  ScopedConfigHome config;
  testApp();
  PumpingWait::InstallPumpHook();
  SimWithPortB sim;
  ASSERT_TRUE(sim.start());
  TestCaster::Options co;
  co.stream = readWhole(dir + "/pygpsdata-NTRIP-USCL00CHL0.log");
  co.repeatMs = 1000;
  // The far one first: the dialog puts the receiver's nearest on top.
  co.sourceTable =
      "STR;FAR;Munich;RTCM 3.3;;2;GPS;NET;DEU;48.14;11.58;0;0;x;none;B;N;2400;\r\n"
      "STR;MNT;Zurich;RTCM 3.3;1005(10),1077(1);2;GPS;NET;CHE;47.40;8.55;1;0;x;none;B;N;2400;\r\n";
  TestCaster caster(co);
  ASSERT_TRUE(caster.start());
  {
    dialogsteps::LiveWindow live("COM" + sim.pty + ":115200:1");
    ASSERT_TRUE(live.connected);
    CMainFrame& frame = live.frame;
    EXPECT_EQ(frame.view()->texts().solution, "(standalone)");

    frame.OnCorrectionsInput();
    auto* dlg = frame.findChild<QDialog*>("dlgCorrections");
    ASSERT_NE(dlg, nullptr);
    dialogsteps::fillCaster(dlg, caster.port());
    child<QPushButton>(dlg, "ntripSourceTable")->click();
    auto* mounts = child<QTreeWidget>(dlg, "ntripMounts");
    ASSERT_TRUE(waitFor([&] { return mounts->topLevelItemCount() == 2; }, 15000))
        << child<QLabel>(dlg, "ntripText")->text().toStdString();
    EXPECT_EQ(mounts->topLevelItem(0)->text(0), "MNT");
    EXPECT_EQ(mounts->topLevelItem(1)->text(0), "FAR");
    EXPECT_TRUE(mounts->topLevelItem(0)->text(3).endsWith(" km"));
    mounts->setCurrentItem(mounts->topLevelItem(0));
    EXPECT_EQ(child<QLineEdit>(dlg, "ntripMount")->text(), "MNT");
    child<QLineEdit>(dlg, "ntripDestination")->setText(QString::fromStdString("COM" + sim.portB + ":115200"));
    child<QPushButton>(dlg, "ntripStart")->click();

    EXPECT_TRUE(waitFor([&] { return frame.view()->texts().solution == "(RTK fixed)"; }, 30000))
        << frame.view()->texts().solution << " / " << child<QLabel>(dlg, "ntripText")->text().toStdString();
    EXPECT_EQ(child<QLabel>(dlg, "ntripState")->text(), "connected");
    EXPECT_TRUE(child<QLabel>(dlg, "ntripMessages")->text().contains("1005:"));
    // The dialog reads the main view on its next tick.
    EXPECT_TRUE(waitFor([&] { return child<QLabel>(dlg, "ntripSolution")->text() == "(RTK fixed)"; }, 2000));
    ASSERT_FALSE(caster.ggaLines().empty()) << "the mount point wants the rover's position";
    EXPECT_NE(caster.ggaLines()[0].find(",4722."), std::string::npos) << caster.ggaLines()[0];
    child<QPushButton>(dlg, "ntripStop")->click();
  }
  PumpingWait::RemovePumpHook();
}

// The whole rover chain with the programs a user runs: a real caster (str2str) -> the
// stelvan-ntrip program -> the receiver's port B -> "(RTK fixed)" in the main view.
TEST(CorrectionsProgram, CasterThroughStelvanNtripToRtkFixedInTheMainView) {
  if (!Str2StrCaster::available()) GTEST_SKIP() << "str2str (Debian rtklib) not installed";
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  const std::string corrections = readWhole(dir + "/pygpsdata-NTRIP-USCL00CHL0.log");
  ScopedConfigHome config;
  TempDir out;
  testApp();
  PumpingWait::InstallPumpHook();
  SimWithPortB sim;
  ASSERT_TRUE(sim.start());
  Str2StrCaster caster("rover", "pw", "NEAR");
  ASSERT_TRUE(caster.ready());
  {
    dialogsteps::LiveWindow live("COM" + sim.pty + ":115200:1");
    ASSERT_TRUE(live.connected);
    CMainFrame& frame = live.frame;
    EXPECT_EQ(frame.view()->texts().solution, "(standalone)");

    ChildProcess tool({TestPaths::binDir() + "/stelvan-ntrip", "--caster",
                       "127.0.0.1:" + std::to_string(caster.port()), "--mount", "NEAR", "--user", "rover",
                       "--password", "pw", "--to", "COM" + sim.portB + ":115200"},
                      out.str() + "/out", out.str() + "/err");
    QElapsedTimer sinceFeed;
    bool fed = false;
    EXPECT_TRUE(waitFor(
        [&] {
          // A base sends its corrections every epoch.
          if (!fed || sinceFeed.elapsed() >= 1000) {
            fed = caster.feed(corrections);
            sinceFeed.start();
          }
          return frame.view()->texts().solution == "(RTK fixed)";
        },
        40000))
        << frame.view()->texts().solution << " / " << readWhole(out.str() + "/err");
    EXPECT_EQ(tool.stop(), 0) << readWhole(out.str() + "/err");
  }
  PumpingWait::RemovePumpHook();
}

// The receiver's own link as the destination: the corrections go between the main view's
// commands, the view stays live and reaches RTK fixed, and a command sent meanwhile is answered.
TEST(CorrectionsDialog, ThroughTheReceiversOwnLinkWhileTheMainViewStaysLive) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  ScopedConfigHome config;
  testApp();
  PumpingWait::InstallPumpHook();
  SimWithPortB sim;
  ASSERT_TRUE(sim.start());
  TestCaster::Options co;
  co.stream = readWhole(dir + "/pygpsdata-NTRIP-USCL00CHL0.log");
  co.repeatMs = 1000;
  TestCaster caster(co);
  ASSERT_TRUE(caster.start());
  {
    dialogsteps::LiveWindow live("COM" + sim.pty + ":115200:1");
    ASSERT_TRUE(live.connected);
    CCockpitApp& app = live.app;
    CMainFrame& frame = live.frame;
    ASSERT_NE(app.GetReceiver(), nullptr);
    frame.OnCorrectionsInput();
    auto* dlg = frame.findChild<QDialog*>("dlgCorrections");
    ASSERT_NE(dlg, nullptr);
    dialogsteps::fillCaster(dlg, caster.port(), "MNT");
    child<QLineEdit>(dlg, "ntripDestination")->clear();
    child<QCheckBox>(dlg, "ntripOwnLink")->setChecked(true);
    EXPECT_FALSE(child<QLineEdit>(dlg, "ntripDestination")->isEnabled());
    // A port that takes commands only would read the corrections as commands.
    child<QPushButton>(dlg, "ntripStart")->click();
    const std::string refused = child<QLabel>(dlg, "ntripText")->text().toStdString();
    EXPECT_NE(refused.find("input mode is \"cmd\""), std::string::npos) << refused;
    EXPECT_TRUE(child<QPushButton>(dlg, "ntripStart")->isEnabled());
    std::string reply;
    ASSERT_EQ(app.GetReceiver()->SendCommand("set,/par/dev/ser/a/imode,omni", reply), 1) << reply;
    child<QPushButton>(dlg, "ntripStart")->click();
    EXPECT_TRUE(waitFor([&] { return frame.view()->texts().solution == "(RTK float)"; }, 30000))
        << frame.view()->texts().solution << " / " << child<QLabel>(dlg, "ntripText")->text().toStdString();
    ASSERT_EQ(app.GetReceiver()->SendCommand("print,/par/rcv/model", reply), 1) << reply;
    EXPECT_NE(reply.find("NH-RCV-100"), std::string::npos) << reply;
    EXPECT_TRUE(waitFor([&] { return frame.view()->texts().solution == "(RTK fixed)"; }, 30000))
        << frame.view()->texts().solution << " / " << child<QLabel>(dlg, "ntripText")->text().toStdString();
    EXPECT_EQ(child<QLabel>(dlg, "ntripState")->text(), "connected");
    child<QPushButton>(dlg, "ntripStop")->click();
  }
  PumpingWait::RemovePumpHook();
}

// The dialog's caster over TLS, `openssl s_server` playing it: a certificate from another CA
// ends the run with the reason and nothing sent; trusted by its fingerprint, the stream flows.
TEST(CorrectionsDialog, CasterOverTlsTrustedByFingerprintAndRefusedOtherwise) {
  if (!OpensslServer::available()) GTEST_SKIP() << "openssl not installed";
  const std::string captures = TestPaths::capturesDir();
  if (captures.empty()) GTEST_SKIP() << "recorded captures not present";
  ScopedConfigHome config;
  testApp();
  TempDir dir;
  ASSERT_TRUE(OpensslServer::MakeCertificate(dir.str(), "caster"));
  ASSERT_TRUE(OpensslServer::MakeCertificate(dir.str(), "stranger"));
  Platform::PtyPair pty;
  ASSERT_TRUE(pty.Open());
  corrections::CCorrectionsDlg dlg({}, {});
  auto fill = [&](int port) {
    child<QLineEdit>(&dlg, "ntripCaster")->setText("127.0.0.1");
    child<QSpinBox>(&dlg, "ntripPort")->setValue(port);
    child<QLineEdit>(&dlg, "ntripUser")->setText("u");
    child<QLineEdit>(&dlg, "ntripPassword")->setText("p");
    child<QLineEdit>(&dlg, "ntripMount")->setText("MNT");
    child<QCheckBox>(&dlg, "ntripOwnLink")->setChecked(false);
    child<QLineEdit>(&dlg, "ntripDestination")
        ->setText(QString::fromStdString("COM" + pty.SlavePath() + ":115200"));
    child<QCheckBox>(&dlg, "ntripTls")->setChecked(true);
  };
  auto* state = child<QLabel>(&dlg, "ntripState");
  auto* text = child<QLabel>(&dlg, "ntripText");
  {
    OpensslServer caster(dir.str(), "caster");
    ASSERT_NE(caster.port(), 0);
    fill(caster.port());
    child<QLineEdit>(&dlg, "ntripCaFile")->setText(QString::fromStdString(dir.str() + "/stranger.pem"));
    child<QPushButton>(&dlg, "ntripStart")->click();
    EXPECT_TRUE(waitFor([&] { return state->text() == "failed"; }, 15000)) << text->text().toStdString();
    EXPECT_TRUE(text->text().contains("is not trusted")) << text->text().toStdString();
    EXPECT_TRUE(child<QPushButton>(&dlg, "ntripStart")->isEnabled());
    EXPECT_EQ(caster.received().find("GET "), std::string::npos);
  }
  {
    OpensslServer caster(dir.str(), "caster");
    ASSERT_NE(caster.port(), 0);
    fill(caster.port());
    child<QLineEdit>(&dlg, "ntripCaFile")->clear();
    child<QLineEdit>(&dlg, "ntripFingerprint")
        ->setText(QString::fromStdString(OpensslServer::Fingerprint(dir.str(), "caster")));
    child<QPushButton>(&dlg, "ntripStart")->click();
    ASSERT_TRUE(waitFor([&] { return caster.received().find("GET /MNT") != std::string::npos; }, 15000))
        << text->text().toStdString();
    ASSERT_TRUE(caster.send("ICY 200 OK\r\n" + readWhole(captures + "/pygpsdata-NTRIP-USCL00CHL0.log")));
    EXPECT_TRUE(
        waitFor([&] { return child<QLabel>(&dlg, "ntripMessages")->text().contains("1005:"); }, 15000))
        << text->text().toStdString();
    EXPECT_EQ(state->text(), "connected");
    child<QPushButton>(&dlg, "ntripStop")->click();
  }
}
