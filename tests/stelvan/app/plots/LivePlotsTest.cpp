// The plot windows and the About report on a live simulated receiver.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <cstdlib>

#include "QtTestApp.h"
#include "SimProcess.h"
#include "TempDir.h"
#include "about/CAboutDlg.h"
#include "about/ReceiverReport.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "plots/CSatellitesWnd.h"
#include "plots/CTrackWnd.h"

namespace {

// Saves a window's picture when the caller asks for pictures (./dev screenshot, reviews).
void keepPicture(QWidget& w, const char* name) {
  if (const char* dir = std::getenv("STELVAN_PICTURE_DIR")) w.grab().save(QString(dir) + "/" + name);
}

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

TEST_F(LivePlots, SatellitesWindowFillsTheSkyFromTheReceiver) {
  plots::CSatellitesWnd wnd;
  ASSERT_TRUE(wnd.start(&conn, sim.receiverString(), " NH-RCV-100 "))
      << wnd.statusLine()->text().toStdString();
  EXPECT_EQ(wnd.windowTitle().toStdString(),
            "Satellites NH-RCV-100:COM/dev/pts/" +
                sim.receiverString().substr(12, sim.receiverString().find(':') - 12));
  wnd.show();
  auto count = [&](int from, int to) {
    std::lock_guard lock(wnd.sky().lock());
    int n = 0;
    for (int s = from; s < to; ++s) n += wnd.sky().slot(s).present;
    return n;
  };
  EXPECT_TRUE(QTest::qWaitFor([&] { return count(0, 37) >= 4 && count(37, 61) >= 2; }, 15000));
  QTest::qWait(300);
  keepPicture(wnd, "sky.png");
  wnd.accept();
  EXPECT_EQ(wnd.session().receiver(), nullptr);
}

TEST_F(LivePlots, ScatterCollectsFixesAroundTheirMean) {
  plots::CTrackWnd wnd(plots::CTrackWnd::Kind::Scatter);
  ASSERT_TRUE(wnd.start(&conn, sim.receiverString(), "NH-RCV-100"));
  wnd.resize(420, 460);
  wnd.show();
  EXPECT_TRUE(QTest::qWaitFor([&] { return wnd.track().stats().count >= 4; }, 15000));
  const plots::TrackStats s = wnd.track().stats();
  // The simulated solution scatters by centimetres to metres, never kilometres.
  EXPECT_GT(s.drms2, 0.0);
  EXPECT_LT(s.drms2, 100.0);
  keepPicture(wnd, "scatter.png");
  wnd.accept();
}

TEST_F(LivePlots, PositionWindowPlotsTheSession) {
  plots::CTrackWnd wnd(plots::CTrackWnd::Kind::Position);
  ASSERT_TRUE(wnd.start(&conn, sim.receiverString(), "NH-RCV-100"));
  wnd.resize(420, 460);
  wnd.show();
  EXPECT_TRUE(QTest::qWaitFor([&] { return wnd.track().stats().count >= 4; }, 15000));
  keepPicture(wnd, "position.png");
  wnd.accept();
}

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
