// The live views fed by a receiver session, and the About report, on a simulated receiver.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "QtTestApp.h"
#include "SimProcess.h"
#include "TempDir.h"
#include "about/CAboutDlg.h"
#include "about/ReceiverReport.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "plots/CSatellitesWnd.h"
#include "plots/CTrackWnd.h"
#include "session/ReceiverSession.h"
#include "shell/LiveViews.h"

namespace {

// Saves a window's picture when the caller asks for pictures (./dev screenshot, reviews).
void keepPicture(QWidget& w, const char* name) {
  if (const char* dir = std::getenv("STELVAN_PICTURE_DIR")) w.grab().save(QString(dir) + "/" + name);
}

// The views beside a window, fed by a real receiver session on the simulator, as the main
// window holds them.
class LiveViewsOnSession : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.start());
    session.setPump([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    views = std::make_unique<LiveViews>(window, [this](const std::function<void(CReceiver*)>& call) {
      CReceiver* rcv = session.state() == session::SessionState::Live ? session.receiver() : nullptr;
      if (rcv) call(rcv);
      return rcv != nullptr;
    });
    views->attachTo(session);
    session::SessionTarget target;
    target.receiver = sim.receiverString();
    ASSERT_TRUE(session.connect(target));
    ASSERT_TRUE(QTest::qWaitFor([this] { return session.state() == session::SessionState::Live; }, 30000))
        << session.lastError();
    views->sessionState(session::SessionState::Live);
    window.resize(700, 600);
    window.show();
  }
  void TearDown() override {
    views->detach();
    session.disconnect();
    views.reset();
  }

  ScopedConfigHome config;
  QApplication& app = QtTestApp();  // before the window
  SimProcess sim;
  session::ReceiverSession session;
  QMainWindow window;
  std::unique_ptr<LiveViews> views;
};

TEST_F(LiveViewsOnSession, SatellitesViewFillsTheSkyFromTheSessionsStream) {
  views->toggle(LiveViews::Satellites);
  auto* wnd = static_cast<plots::CSatellitesWnd*>(views->view(LiveViews::Satellites));
  auto count = [&](plots::SatSystem system) {
    int n = 0;
    for (const plots::LiveSat& s : wnd->sky().satellites()) n += s.id.system == system;
    return n;
  };
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return count(plots::SatSystem::Gps) >= 4 && count(plots::SatSystem::Glonass) >= 2 &&
               count(plots::SatSystem::Galileo) >= 2;
      },
      15000));
  // The simulator's elevation mask, read through the session's receiver.
  EXPECT_EQ(wnd->view()->elevationMask(), 5);
  keepPicture(*wnd, "sky.png");
  views->toggle(LiveViews::Satellites);
  EXPECT_FALSE(views->isOpen(LiveViews::Satellites));
}

TEST_F(LiveViewsOnSession, ScatterCollectsFixesAroundTheirMean) {
  views->toggle(LiveViews::Scatter);
  auto* wnd = static_cast<plots::CTrackWnd*>(views->view(LiveViews::Scatter));
  EXPECT_TRUE(QTest::qWaitFor([&] { return wnd->track().stats().count >= 4; }, 15000));
  const plots::TrackStats s = wnd->track().stats();
  // The simulated solution scatters by centimetres to metres, never kilometres.
  EXPECT_GT(s.drms2, 0.0);
  EXPECT_LT(s.drms2, 100.0);
  keepPicture(*wnd, "scatter.png");
}

TEST_F(LiveViewsOnSession, PositionViewPlotsTheSession) {
  views->toggle(LiveViews::Position);
  auto* wnd = static_cast<plots::CTrackWnd*>(views->view(LiveViews::Position));
  EXPECT_TRUE(QTest::qWaitFor([&] { return wnd->track().stats().count >= 4; }, 15000));
  keepPicture(*wnd, "position.png");
}

// The About report against the receiver opened on a connection of the test's own.
class LivePlots : public ::testing::Test {
 protected:
  void SetUp() override {
    QtTestApp();
    ASSERT_TRUE(sim.start());
    conn.SetSysMsgCallback([](void*) -> std::uint32_t { return 0; });  // data is delivered only with one
    ASSERT_EQ(conn.Open("", "tester", "", "test"), 1) << conn.GetReplyString();
  }
  void TearDown() override { conn.Close(); }

  ScopedConfigHome config;
  SimProcess sim;
  CConnection conn;
};

// The report's answers, one print command at a time, against the report read in one script.
TEST_F(LivePlots, AboutReportHoldsEveryAnswerInOrder) {
  CReceiver* rcv = CReceiver::Create();
  rcv->AddRef();
  ASSERT_EQ(rcv->Open(&conn, sim.receiverString().c_str(), 0), 1) << rcv->GetReplyString();
  auto runner = [rcv](const std::string& script, std::vector<std::optional<std::string>>& answers) {
    if (!rcv->SendCommand(script.c_str())) return false;
    const std::string reply = rcv->GetReplyString();
    for (std::size_t p = 0, nl; (nl = reply.find('\n', p)) != std::string::npos; p = nl + 1) {
      const std::string line = reply.substr(p, nl - p);
      if (line.rfind("RE", 0) == 0 && line.size() >= 5) {
        std::string a = line.substr(5);
        a.erase(0, a.find_first_not_of(" \t\r"));
        a.erase(a.find_last_not_of(" \t\r") + 1);
        answers.push_back(a);
      } else {
        answers.push_back(std::nullopt);
      }
    }
    return true;
  };
  about::CAboutDlg dlg(runner);
  const std::string report = dlg.reportText().toLatin1().toStdString();
  std::vector<std::string> expected;
  for (const about::ReportLine& l : about::reportLines()) {
    std::string line = l.text;
    if (l.command) {
      std::string answer = "<unknown>";
      if (rcv->SendCommand(l.command)) {
        answer = rcv->GetReplyString().substr(5);
        answer.erase(0, answer.find_first_not_of(" \t\r\n"));
        answer.erase(answer.find_last_not_of(" \t\r\n") + 1);
      }
      line += answer;
    }
    expected.push_back(line);
  }
  std::vector<std::string> shown;
  for (std::size_t p = 0, nl; (nl = report.find('\n', p)) != std::string::npos; p = nl + 1)
    shown.push_back(report.substr(p, nl - p));
  ASSERT_EQ(shown.size(), 51u);
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(report.find("Receiver model:\tNH-RCV-100"), 0u);
  dlg.resize(560, 640);
  keepPicture(dlg, "about.png");
  rcv->Close(false);
  rcv->Release();
}

TEST(AboutReport, MissingAnswersReadUnknownAndSeparatorsTakeNone) {
  std::vector<std::optional<std::string>> answers(46, std::string("x"));
  answers[0] = "NH-RCV-100";
  answers[11] = "auto";        // the first answer after the Charger separator
  answers[38] = std::nullopt;  // FCC ID(GSM)
  answers[45] = "";
  const std::string r = about::buildReport(answers);
  EXPECT_EQ(r.find("Receiver model:\tNH-RCV-100\r\n"), 0u);
  EXPECT_NE(r.find("-------------------- Charger -------------------------------\r\nPower source:\tauto\r\n"),
            std::string::npos);
  EXPECT_NE(r.find("FCC ID(GSM):\t<unknown>\r\n"), std::string::npos);
  EXPECT_NE(r.find("IC        (WIFI):\t<unknown>\r\n"), std::string::npos);
  std::size_t lines = 0;
  for (char c : r) lines += c == '\n';
  EXPECT_EQ(lines, 51u);
  const std::string script = about::reportScript();
  EXPECT_EQ(script.rfind("@scr stoperrors off\nprint,/par/rcv/model\n", 0), 0u);
  EXPECT_TRUE(script.ends_with("\nprint,/par/net/wlan/inf/ic\n@end\n"));
}

TEST(AboutBox, WithoutASessionShowsOnlyTheIdentity) {
  QtTestApp();
  about::CAboutDlg dlg;
  EXPECT_EQ(dlg.windowTitle(), "About Stelvan-P");
  EXPECT_TRUE(dlg.identity()->text().startsWith("Stelvan-P version "));
  EXPECT_TRUE(dlg.reportText().isEmpty());
}

}  // namespace
