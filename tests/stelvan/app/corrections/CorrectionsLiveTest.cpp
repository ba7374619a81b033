// The Corrections view beside a window, on a live receiver session: the session receiver's
// RTCM 3 output (1005, 1006, 1033 and the MSM4 of each system; it offers no 1008) fills
// every part of it while the session's own stream goes on; closing the view stops that output
// again and the session stays live.
#include <gtest/gtest.h>

#include <QDockWidget>
#include <QLabel>
#include <QMainWindow>
#include <QTableWidget>
#include <QTest>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "QtTestApp.h"
#include "TempDir.h"
#include "gridlink/CReceiver.h"
#include "plots/CCorrectionsWnd.h"
#include "plots/CTrackWnd.h"
#include "session/ReceiverSession.h"
#include "shell/LiveViews.h"
#include "stelvan/app/plots/SimProcess.h"

namespace {

QString label(QWidget& w, const char* name) {
  return w.findChild<QLabel*>(name)->text();
}

// The session's states from the moment it is set (states are posted from the session thread).
struct StateLog : session::SessionObserver {
  void stateChanged(session::SessionState, session::SessionState to) override {
    std::lock_guard l(lock);
    states.push_back(to);
  }
  void statusText(const std::string&) override {}
  void titleText(const std::string&) override {}
  void serverEvent(std::uint8_t, const std::string&) override {}
  std::vector<session::SessionState> seen() {
    std::lock_guard l(lock);
    return states;
  }
  std::mutex lock;
  std::vector<session::SessionState> states{session::SessionState::Live};
};

// Rounds too short to show, each of which empties the main view.
struct Silences : session::RoundListener {
  void round(const std::vector<std::string>&) override {}
  void silence() override { ++count; }
  std::atomic<int> count{0};
};

}  // namespace

TEST(CorrectionsLive, ShowsTheReceiversOwnRtcm3Output) {
  ScopedConfigHome config;
  QtTestApp();
  SimProcess sim;
  ASSERT_TRUE(sim.start());
  session::ReceiverSession session;
  session.setPump([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
  QMainWindow window;
  LiveViews views(window, [&](const std::function<void(CReceiver*)>& call) {
    CReceiver* rcv = session.state() == session::SessionState::Live ? session.receiver() : nullptr;
    if (rcv) call(rcv);
    return rcv != nullptr;
  });
  views.attachTo(session);
  session::SessionTarget target;
  target.receiver = sim.receiverString();
  ASSERT_TRUE(session.connect(target));
  ASSERT_TRUE(QTest::qWaitFor([&] { return session.state() == session::SessionState::Live; }, 30000))
      << session.lastError();
  views.sessionState(session::SessionState::Live);
  // Opened while live: the view attaches the session receiver's RTCM slot at once.
  views.toggle(LiveViews::Corrections);
  window.resize(900, 600);
  window.show();
  auto& wnd = *static_cast<plots::CCorrectionsWnd*>(views.view(LiveViews::Corrections));
  // What the receiver's port sends, as the receiver lists it.
  const auto outputs = [&] {
    std::string reply;
    if (CReceiver* r = session.receiver()) r->SendCommand("print,/par/out/cur/term:on", reply);
    return reply;
  };
  StateLog log;
  session.setObserver(&log);
  auto* systems = wnd.findChild<QTableWidget*>("systemTable");
  auto* messages = wnd.findChild<QTableWidget*>("messageTable");
  // Two seconds of output: rates need a second arrival, and GPS, GLONASS, Galileo and SBAS
  // each send their MSM.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        wnd.refresh();
        return systems->rowCount() == 4 && messages->rowCount() == 7 && messages->item(0, 2)->text() != "-" &&
               label(wnd, "descriptor3") != "-" && label(wnd, "station4") != "-";
      },
      20000))
      << wnd.statusLine()->text().toStdString();
  EXPECT_EQ(label(wnd, "descriptor3"), "RCVSIM");
  EXPECT_EQ(label(wnd, "descriptor0"), "SIMANT NONE");
  // The simulated fix scatters around the site that the station messages give.
  const double distance = label(wnd, "station4").section(' ', 0, 0).toDouble();
  EXPECT_LT(distance, 50.0);
  for (int r = 0; r < 3; ++r)  // SBAS may have none in view
    EXPECT_GT(systems->item(r, 2)->text().toInt(), 0) << systems->item(r, 0)->text().toStdString();
  EXPECT_EQ(systems->item(0, 0)->text(), "GPS");
  EXPECT_EQ(messages->item(0, 0)->text(), "1005");
  if (const char* dir = std::getenv("STELVAN_PICTURE_DIR"))
    wnd.grab().save(QString(dir) + "/corrections.png");
  // The main session's own rounds go on meanwhile, on the same receiver, and after the view
  // closes: the Position view beside it keeps counting fixes.
  views.toggle(LiveViews::Position);
  auto& position = *static_cast<plots::CTrackWnd*>(views.view(LiveViews::Position));
  EXPECT_TRUE(QTest::qWaitFor([&] { return position.track().stats().count >= 2; }, 15000));
  EXPECT_NE(outputs().find("rtcm3"), std::string::npos) << outputs();
  // Closed with its own close button: the receiver stops its RTCM output, which would take the
  // line's room, and the session's own stream is enabled again without leaving Live.
  Silences silences;
  session.addRoundListener(&silences);
  views.dock(LiveViews::Corrections)->close();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        const std::string now = outputs();
        return now.find("rtcm3") == std::string::npos && now.find("zrx={/PG:") != std::string::npos;
      },
      15000))
      << outputs();
  const int fixes = position.track().stats().count;
  EXPECT_TRUE(QTest::qWaitFor([&] { return position.track().stats().count >= fixes + 3; }, 15000))
      << position.track().stats().count << " fixes, " << fixes << " when the Corrections view closed";
  session.removeRoundListener(&silences);
  EXPECT_EQ(silences.count, 0) << "the main view was emptied while the outputs were enabled again";
  EXPECT_EQ(session.state(), session::SessionState::Live);
  EXPECT_EQ(log.seen(), (std::vector<session::SessionState>{session::SessionState::Live}))
      << "the session left Live";
  views.detach();
  session.setObserver(nullptr);
  session.disconnect();
}
