// The main window against the receiver simulator program on a pseudo-terminal: the session
// thread identifies the receiver, attaches the view's messages and fills the tables and the
// location page; Disconnect and the window's close path end it cleanly; a receiver lost and
// back on the same device link is shown as lost and then live again without a click; a receiver
// of six systems gets BeiDou and QZSS pages.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>

#include "QtSupport.h"
#include "SimulatorProcess.h"
#include "TempDir.h"
#include "TestPaths.h"
#include "gridlink/CProfile.h"
#include "gridlink/CReceiver.h"
#include "rcvsim/SkyModel.h"
#include "shell/CCockpitApp.h"
#include "shell/CCockpitView.h"
#include "shell/CMainFrame.h"
#include "shell/DisplayFormat.h"
#include "shell/PumpingWait.h"
#include "shell/StartOptions.h"
#include "shell/StatusPane.h"

namespace {

constexpr std::uint64_t kSeed = 7;
constexpr double kDegToRad = 0.017453292519943295;

class MainWindowSession : public ::testing::Test {
 protected:
  void SetUp() override {
    testApp();
    PumpingWait::InstallPumpHook();
    ASSERT_TRUE(sim.start(kSeed, simulatorOptions())) << "rcvsim did not start";
    app = std::make_unique<CCockpitApp>();
    app->LoadSettings();
    frame = std::make_unique<CMainFrame>(*app);
    frame->show();
    const std::string rcv = sim.receiverString();
    const char* argv[] = {"stelvan", "--receiver", rcv.c_str()};
    CONNECTION_INFO info;
    ASSERT_TRUE(StartOptions::Parse(3, argv).ConnectionInfo(info));
    frame->ConnectWith(info);
  }
  virtual QStringList simulatorOptions() const { return {}; }
  void TearDown() override {
    frame.reset();
    app.reset();
    PumpingWait::RemovePumpHook();
  }
  QTableWidget* gps() const { return frame->findChild<QTableWidget*>("tableGPS"); }
  bool live() const {
    return gps()->rowCount() > 0 && frame->view()->texts().hasPosition &&
           frame->windowTitle().startsWith("Stelvan-P to");
  }
  // Receiver time of the round on screen, from its date and time labels.
  std::int64_t shownUtcMs() const {
    int d = 0, mo = 0, y = 0, h = 0, mi = 0, s = 0;
    const ViewTexts& t = frame->view()->texts();
    if (std::sscanf(t.rcvDate.c_str(), "Receiver data: %d.%d.%d", &d, &mo, &y) != 3 ||
        std::sscanf(t.rcvTime.c_str(), "Receiver time: %d:%d:%d", &h, &mi, &s) != 3)
      return -1;
    std::tm tm{};
    tm.tm_year = y - 1900, tm.tm_mon = mo - 1, tm.tm_mday = d, tm.tm_hour = h, tm.tm_min = mi, tm.tm_sec = s;
    return static_cast<std::int64_t>(timegm(&tm)) * 1000;
  }

  void connectTo(const std::string& receiver) {
    const char* argv[] = {"stelvan", "--receiver", receiver.c_str()};
    CONNECTION_INFO info;
    ASSERT_TRUE(StartOptions::Parse(3, argv).ConnectionInfo(info));
    frame->ConnectWith(info);
  }

  ScopedConfigHome config;
  SimulatorProcess sim;
  std::unique_ptr<CCockpitApp> app;
  std::unique_ptr<CMainFrame> frame;
};

TEST_F(MainWindowSession, ShowsTheSimulatorsSkyAndPositionThenDisconnects) {
  ASSERT_TRUE(waitFor([this] { return live(); }, 30000)) << frame->paneText(0).toStdString();
  EXPECT_EQ(frame->windowTitle().toStdString(),
            session::ReceiverSession::ConnectedTitle("NH-RCV-100", sim.receiverString(), false, true));
  EXPECT_EQ(frame->paneText(0).toStdString(), sim.receiverString());
  EXPECT_EQ(app->sessionInfo().firmwareVersion, 3007);
  EXPECT_EQ(app->sessionInfo().receiverId, "SIM0A1B2C3D4");

  // Every GPS row is a satellite of the simulated sky at the time shown, where it is.
  const std::int64_t utc = shownUtcMs();
  ASSERT_GT(utc, 0);
  rcvsim::SkyModel sky({47.3769 * kDegToRad, 8.5417 * kDegToRad, 430.0}, kSeed);
  const rcvsim::SkyEpoch epoch = sky.at(utc, 5.0, 1);
  int highGps = 0;
  for (const rcvsim::SatView& s : epoch.sats)
    if (s.sys == rcvsim::Gnss::Gps && s.elDeg > 15) ++highGps;
  ASSERT_GT(highGps, 0);
  const auto& rows = frame->view()->texts().tables[kGps];
  EXPECT_GE(static_cast<int>(rows.size()), highGps);
  for (const auto& row : rows) {
    const int prn = std::atoi(row[0].c_str());
    const auto sat = std::find_if(epoch.sats.begin(), epoch.sats.end(), [prn](const rcvsim::SatView& s) {
      return s.sys == rcvsim::Gnss::Gps && s.number == prn;
    });
    ASSERT_NE(sat, epoch.sats.end()) << "PRN " << prn << " is not in the simulated sky";
    EXPECT_NEAR(std::atoi(row[1].c_str()), sat->elDeg, 1.5) << "PRN " << prn;
    EXPECT_NEAR(std::atoi(row[2].c_str()), sat->azDeg, 2.5) << "PRN " << prn;
  }
  EXPECT_EQ(gps()->rowCount(), static_cast<int>(rows.size()));
  // A receiver of the four classic systems: no BeiDou or QZSS page, the counts line as ever.
  auto* tabs = frame->findChild<QTabWidget*>("tabs");
  EXPECT_FALSE(tabs->isTabVisible(kBeidou));
  EXPECT_FALSE(tabs->isTabVisible(kQzss));
  const QString counts = frame->findChild<QLabel*>("satCounts")->text();
  EXPECT_TRUE(QRegularExpression("^Satellites  \\d+ : \\d+ : \\d+ : \\d+$").match(counts).hasMatch())
      << counts.toStdString();

  // The location page: the site in degrees, minutes and seconds, Cartesian and time values.
  const QString geo = frame->findChild<QLabel*>("geo")->text();
  EXPECT_TRUE(
      QRegularExpression(
          QString::fromLatin1("^Lat: 47\26022' ?3\\d\\.\\d{4}\" N\nLon: 8\26032' ?[23]\\d\\.\\d{4}\" E\n"
                              "Alt:  +4[23]\\d\\.\\d{4} m$"))
          .match(geo)
          .hasMatch())
      << geo.toStdString();
  EXPECT_TRUE(frame->findChild<QLabel*>("xyz")->text().startsWith("X: "));
  EXPECT_TRUE(frame->findChild<QLabel*>("pdop")->text().startsWith("PDOP: "));
  EXPECT_TRUE(frame->findChild<QLabel*>("targetOffsets")->text().startsWith("ETT:"));

  // Decimal degrees on the position's menu, kept in the settings; Copy takes the text shown.
  frame->findChild<QAction*>("actionDecimalDegrees")->trigger();
  QLabel* geoLabel = frame->findChild<QLabel*>("geo");
  EXPECT_TRUE(waitFor([&] { return geoLabel->text().startsWith(QString::fromLatin1("Lat:  47.37")); }, 10000))
      << geoLabel->text().toStdString();
  frame->findChild<QAction*>("actionCopyPosition")->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), geoLabel->text());
  CProfile* profile = CProfile::Instance();
  EXPECT_EQ(profile->Read("Display", "DecimalDegrees", 0), 1);
  profile->Release();

  frame->action("actionDisconnect")->trigger();
  EXPECT_EQ(frame->windowTitle(), "Stelvan-P(idle)");
  EXPECT_EQ(frame->paneText(0), "Disconnected");
  EXPECT_EQ(gps()->rowCount(), 0);
  EXPECT_EQ(app->session().state(), session::SessionState::Idle);
  EXPECT_EQ(app->Connection(), nullptr);
  EXPECT_TRUE(frame->action("actionConnection")->isEnabled());
  EXPECT_FALSE(frame->action("actionDisconnect")->isEnabled());
}

TEST_F(MainWindowSession, ModalToolHasTheReceiverToItselfAndTheSessionComesBack) {
  ASSERT_TRUE(waitFor([this] { return live(); }, 30000)) << frame->paneText(0).toStdString();
  bool hidden = false, stopped = false;
  std::string reply;
  frame->RunModalTool([&](CReceiver* rcv) {
    hidden = !frame->isVisible();
    stopped = app->session().state() == session::SessionState::ToolHoldsReceiver;
    ASSERT_NE(rcv, nullptr);
    ASSERT_EQ(rcv->Open(app->Connection(), sim.receiverString().c_str(), 0), 1) << rcv->GetReplyString();
    if (rcv->SendCommand("print,/par/rcv/model")) reply = rcv->GetReplyString();
    rcv->Close(false);
  });
  EXPECT_TRUE(hidden);
  EXPECT_TRUE(stopped);
  EXPECT_NE(reply.find("NH-RCV-100"), std::string::npos) << reply;
  EXPECT_TRUE(frame->isVisible());
  EXPECT_EQ(frame->windowTitle(), "Stelvan-P(idle)");
  EXPECT_TRUE(waitFor([this] { return app->sessionRunning() && live(); }, 30000))
      << frame->paneText(0).toStdString();
  EXPECT_TRUE(frame->windowTitle().startsWith("Stelvan-P to NH-RCV-100"));
}

TEST_F(MainWindowSession, ClosingTheWindowStopsTheSessionAndWritesSettings) {
  ASSERT_TRUE(waitFor([this] { return live(); }, 30000)) << frame->paneText(0).toStdString();
  EXPECT_TRUE(frame->action("actionSite")->isEnabled());
  app->site.name = "Roof";
  QSignalSpy closed(frame.get(), &CMainFrame::closed);
  EXPECT_TRUE(frame->close());
  EXPECT_EQ(closed.count(), 1);
  EXPECT_EQ(app->session().state(), session::SessionState::Idle);
  EXPECT_EQ(app->Connection(), nullptr);
  EXPECT_EQ(app->GetReceiver(), nullptr);
  CProfile* p = CProfile::Instance();
  const std::string size = p->Read("MainSize", "MainSize", "");
  EXPECT_STREQ(p->Read("Site", "SiteName", "?"), "Roof");
  p->Release();
  EXPECT_TRUE(
      QRegularExpression("^\\d{4} \\d{4} \\d{4} \\d{4}$").match(QString::fromStdString(size)).hasMatch())
      << size;
  const QRect g = frame->geometry();
  int l = 0, t = 0, r = 0, b = 0;
  ASSERT_EQ(std::sscanf(size.c_str(), "%d %d %d %d", &l, &t, &r, &b), 4);
  EXPECT_EQ(r - l, g.width());
  EXPECT_EQ(b - t, g.height());
}

TEST_F(MainWindowSession, LostReceiverIsShownAndTheViewResumesWhenItIsBackOnItsLink) {
  ASSERT_TRUE(waitFor([this] { return live(); }, 30000)) << frame->paneText(0).toStdString();
  frame->Disconnect();
  // A receiver of its own behind a device link the test re-points, as a replugged one keeps its name.
  TempDir links;
  const std::filesystem::path link = links.path() / "receiver";
  auto first = std::make_unique<SimulatorProcess>();
  ASSERT_TRUE(first->start(kSeed));
  std::filesystem::create_symlink(first->pty(), link);
  connectTo("COM" + link.string() + ":115200:1");
  ASSERT_TRUE(
      waitFor([this] { return live() && app->session().state() == session::SessionState::Live; }, 30000))
      << frame->paneText(0).toStdString();

  // The receiver goes away, and with it its device name: the retries must not open a
  // pseudo-terminal that another program got under the same number meanwhile.
  std::filesystem::remove(link);
  first.reset();
  ASSERT_TRUE(waitFor([this] { return frame->windowTitle().endsWith("(receiver lost)"); }, 60000))
      << frame->windowTitle().toStdString();
  EXPECT_EQ(app->session().state(), session::SessionState::Reconnecting);
  EXPECT_TRUE(waitFor([this] { return frame->paneText(0).startsWith("Receiver lost: "); }, 10000))
      << frame->paneText(0).toStdString();
  EXPECT_TRUE(frame->paneText(2).isEmpty()) << "the session time kept counting";
  // At the window's own width the status line shows the retry count whole, and the cause as far
  // as it fits; the full text stays in the pane.
  ASSERT_TRUE(waitFor([this] { return frame->paneText(0).contains(" (retry "); }, 30000))
      << frame->paneText(0).toStdString();
  const auto* pane = frame->findChild<StatusPane*>("pane0");
  ASSERT_NE(pane, nullptr);
  const QString full = pane->text(), shown = pane->shownText();
  EXPECT_GT(pane->fontMetrics().horizontalAdvance(full), pane->contentsRect().width())
      << "nothing to shorten";
  EXPECT_TRUE(shown.startsWith("Receiver lost: ")) << shown.toStdString() << " for " << full.toStdString();
  EXPECT_TRUE(shown.endsWith(full.mid(full.lastIndexOf(" (retry ")))) << shown.toStdString();
  EXPECT_LE(pane->fontMetrics().horizontalAdvance(shown), pane->contentsRect().width())
      << shown.toStdString();
  EXPECT_EQ(gps()->rowCount(), 0);
  EXPECT_TRUE(frame->action("actionDisconnect")->isEnabled());
  EXPECT_FALSE(frame->action("actionConnection")->isEnabled());
  // "./dev screenshot" sets STELVAN_SCREENSHOT_DIR to keep the lost view as lost.png.
  if (const char* shots = std::getenv("STELVAN_SCREENSHOT_DIR"); shots && *shots) {
    QApplication::processEvents();
    EXPECT_TRUE(frame->grab().toImage().save(QString::fromLocal8Bit(shots) + "/lost.png"));
  }

  SimulatorProcess second;
  ASSERT_TRUE(second.start(kSeed));
  std::filesystem::remove(link);
  std::filesystem::create_symlink(second.pty(), link);
  EXPECT_TRUE(
      waitFor([this] { return live() && app->session().state() == session::SessionState::Live; }, 60000))
      << frame->paneText(0).toStdString();
  EXPECT_TRUE(frame->windowTitle().startsWith("Stelvan-P to NH-RCV-100"))
      << frame->windowTitle().toStdString();
  frame->Disconnect();
}

// The simulator with BeiDou and QZSS besides the four classic systems.
class MainWindowAllSystems : public MainWindowSession {
 protected:
  QStringList simulatorOptions() const override { return {"--all-systems"}; }
};

TEST_F(MainWindowAllSystems, BeidouAndQzssPagesShowTheSkysSatellitesUntilDisconnect) {
  auto* tabs = frame->findChild<QTabWidget*>("tabs");
  auto* beidou = frame->findChild<QTableWidget*>("tableBeiDou");
  auto* qzss = frame->findChild<QTableWidget*>("tableQZSS");
  ASSERT_TRUE(beidou && qzss);
  ASSERT_TRUE(waitFor([&] { return live() && beidou->rowCount() > 0 && qzss->rowCount() > 0; }, 30000))
      << frame->paneText(0).toStdString();
  QStringList titles;
  for (int i = 0; i < tabs->count(); ++i)
    if (tabs->isTabVisible(i)) titles << tabs->tabText(i);
  EXPECT_EQ(titles, (QStringList{"GPS", "GLONASS", "GALILEO", "SBAS", "BeiDou", "QZSS", "Location"}));
  QApplication::processEvents();
  EXPECT_GE(tabs->tabBar()->width(), tabs->tabBar()->sizeHint().width()) << "the window did not widen";

  // Each row a satellite of that system in the simulated sky at the time shown, by its PRN.
  const std::int64_t utc = shownUtcMs();
  ASSERT_GT(utc, 0);
  rcvsim::SkyModel sky({47.3769 * kDegToRad, 8.5417 * kDegToRad, 430.0}, kSeed, true);
  const rcvsim::SkyEpoch epoch = sky.at(utc, 5.0, 1);
  const ViewTexts& texts = frame->view()->texts();
  const auto check = [&](int table, rcvsim::Gnss system) {
    int high = 0;
    for (const rcvsim::SatView& s : epoch.sats)
      if (s.sys == system && s.elDeg > 15) ++high;
    const auto& rows = texts.tables[static_cast<std::size_t>(table)];
    EXPECT_GE(static_cast<int>(rows.size()), high) << "table " << table;
    for (const auto& row : rows) {
      const int prn = std::atoi(row[0].c_str());
      const auto sat = std::find_if(epoch.sats.begin(), epoch.sats.end(), [&](const rcvsim::SatView& s) {
        return s.sys == system && s.number == prn;
      });
      ASSERT_NE(sat, epoch.sats.end()) << "table " << table << ": PRN " << prn << " is not in the sky";
      EXPECT_NEAR(std::atoi(row[1].c_str()), sat->elDeg, 1.5) << "PRN " << prn;
      EXPECT_NEAR(std::atoi(row[2].c_str()), sat->azDeg, 2.5) << "PRN " << prn;
    }
  };
  check(kBeidou, rcvsim::Gnss::Beidou);
  check(kQzss, rcvsim::Gnss::Qzss);
  const auto count = [&](int table) {
    return static_cast<int>(texts.tables[static_cast<std::size_t>(table)].size());
  };
  EXPECT_EQ(texts.satCounts, DisplayFormat::satelliteCounts(count(kGps), count(kGlonass), count(kGalileo),
                                                            count(kSbas), count(kBeidou), count(kQzss)));
  EXPECT_NE(texts.satCounts.find(" : BeiDou "), std::string::npos) << texts.satCounts;
  EXPECT_EQ(frame->findChild<QLabel*>("satCounts")->text().toStdString(), texts.satCounts);

  // The pages go with the connection, and the window's band with them.
  const int wide = frame->minimumWidth();
  frame->action("actionDisconnect")->trigger();
  EXPECT_TRUE(waitFor([&] { return !tabs->isTabVisible(kBeidou) && !tabs->isTabVisible(kQzss); }, 10000));
  EXPECT_LT(frame->minimumWidth(), wide);
  EXPECT_EQ(beidou->rowCount(), 0);
}

}  // namespace
