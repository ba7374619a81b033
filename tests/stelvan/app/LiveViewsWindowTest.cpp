// The main window with its live views beside it, against the simulator program: the views fill
// from the main session's own stream while the main view's tables go on updating, the receiver
// is opened once (the simulator's trace holds one loop test per open), a tool that borrows the
// receiver pauses them without losing what they hold, and which views were open comes back
// with the next start.
#include <gtest/gtest.h>

#include <QDockWidget>
#include <QTableWidget>
#include <memory>
#include <set>

#include "QtSupport.h"
#include "RcvsimTrace.h"
#include "SimulatorProcess.h"
#include "TempDir.h"
#include "plots/CSatellitesWnd.h"
#include "plots/CTrackWnd.h"
#include "shell/CCockpitApp.h"
#include "shell/CCockpitView.h"
#include "shell/CMainFrame.h"
#include "shell/LiveViews.h"
#include "shell/PumpingWait.h"
#include "shell/StartOptions.h"

namespace {

int receiverOpens(const std::string& trace) {
  const std::string received = RcvsimTraceBytes(trace, '>');
  int n = 0;
  for (std::size_t p = 0; (p = received.find("%Loop%", p)) != std::string::npos; ++p) ++n;
  return n;
}

class LiveViewsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    testApp();
    PumpingWait::InstallPumpHook();
    trace = (dir.path() / "rcvsim.trace").string();
    ASSERT_TRUE(sim.start(7, {"--trace", QString::fromStdString(trace)})) << "rcvsim did not start";
    app = std::make_unique<CCockpitApp>();
    app->LoadSettings();
    frame = std::make_unique<CMainFrame>(*app);
    frame->show();
  }
  void TearDown() override {
    frame.reset();
    app.reset();
    PumpingWait::RemovePumpHook();
  }
  void connect() {
    const std::string rcv = sim.receiverString();
    const char* argv[] = {"stelvan", "--receiver", rcv.c_str()};
    CONNECTION_INFO info;
    ASSERT_TRUE(StartOptions::Parse(3, argv).ConnectionInfo(info));
    frame->ConnectWith(info);
  }
  bool live() const {
    return frame->findChild<QTableWidget*>("tableGPS")->rowCount() > 0 && frame->view()->texts().hasPosition;
  }

  ScopedConfigHome config;
  TempDir dir;
  std::string trace;
  SimulatorProcess sim;
  std::unique_ptr<CCockpitApp> app;
  std::unique_ptr<CMainFrame> frame;
};

TEST_F(LiveViewsWindow, ViewsFollowTheSessionWhileTheMainViewGoesOnAndTheReceiverIsOpenedOnce) {
  connect();
  ASSERT_TRUE(waitFor([this] { return live(); }, 30000)) << frame->paneText(0).toStdString();
  const int opens = receiverOpens(trace);
  EXPECT_GE(opens, 1);
  const int narrow = frame->width();
  frame->OnSatellites();
  frame->OnPosition();
  LiveViews& views = *frame->liveViews();
  ASSERT_TRUE(views.isOpen(LiveViews::Satellites) && views.isOpen(LiveViews::Position));
  EXPECT_FALSE(views.dock(LiveViews::Satellites)->isFloating());
  EXPECT_GT(frame->width(), narrow);  // docked beside the main view, not over it
  EXPECT_TRUE(frame->isVisible());

  auto* sky = static_cast<plots::CSatellitesWnd*>(views.view(LiveViews::Satellites));
  auto* position = static_cast<plots::CTrackWnd*>(views.view(LiveViews::Position));
  // Several rounds: the main view's receiver time and satellite cells move on as the views fill.
  std::set<std::string> times, elevations;
  auto* gps = frame->findChild<QTableWidget*>("tableGPS");
  EXPECT_TRUE(waitFor(
      [&] {
        times.insert(frame->view()->texts().rcvTime);
        if (gps->rowCount() > 0 && gps->item(0, 1)) elevations.insert(gps->item(0, 1)->text().toStdString());
        return times.size() >= 4 && position->track().stats().count >= 4 &&
               sky->sky().satellites().size() >= 8;
      },
      30000))
      << times.size() << " times, " << position->track().stats().count << " fixes, "
      << sky->sky().satellites().size() << " satellites";
  EXPECT_FALSE(elevations.empty());
  EXPECT_EQ(app->session().state(), session::SessionState::Live);
  EXPECT_EQ(receiverOpens(trace), opens);

  // A tool has the receiver to itself: the views get nothing meanwhile, then go on with what
  // they had.
  int duringTool = -1;
  const int beforeTool = position->track().stats().count;
  frame->RunModalTool([&](CReceiver*) {
    QTest::qWait(2500);  // rounds come every second while live
    duringTool = position->track().stats().count;
  });
  EXPECT_EQ(duringTool, beforeTool);
  // The first change after the tool: fixes added to the ones before, not a track started over.
  EXPECT_TRUE(waitFor([&] { return position->track().stats().count != beforeTool; }, 30000));
  EXPECT_GT(position->track().stats().count, beforeTool);

  // The next start finds the views where they were.
  EXPECT_TRUE(frame->close());
  frame = std::make_unique<CMainFrame>(*app);
  EXPECT_TRUE(frame->liveViews()->isOpen(LiveViews::Satellites));
  EXPECT_TRUE(frame->liveViews()->isOpen(LiveViews::Position));
  EXPECT_FALSE(frame->liveViews()->isOpen(LiveViews::Corrections));
}

}  // namespace
