// The Corrections window on a live simulated receiver: its RTCM 3 output (1005,
// 1006, 1033 and the MSM4 of each system; it offers no 1008) fills every part of the window.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <cstdlib>

#include "QtTestApp.h"
#include "TempDir.h"
#include "gridlink/CConnection.h"
#include "plots/CCorrectionsWnd.h"
#include "stelvan/app/plots/SimProcess.h"

namespace {

QString label(QWidget& w, const char* name) {
  return w.findChild<QLabel*>(name)->text();
}

}  // namespace

TEST(CorrectionsLive, ShowsTheReceiversOwnRtcm3Output) {
  QtTestApp();
  ScopedConfigHome config;
  SimProcess sim;
  ASSERT_TRUE(sim.start());
  CConnection conn;
  conn.SetSysMsgCallback([](void*) -> std::uint32_t { return 0; });  // data is delivered only with one
  ASSERT_EQ(conn.Open("", "tester", "", "test"), 1) << conn.GetReplyString();
  {
    plots::CCorrectionsWnd wnd;
    ASSERT_TRUE(wnd.start(&conn, sim.receiverString(), "NH-RCV-100"))
        << wnd.statusLine()->text().toStdString();
    EXPECT_TRUE(wnd.windowTitle().startsWith("Corrections NH-RCV-100:COM"));
    wnd.show();
    auto* systems = wnd.findChild<QTableWidget*>("systemTable");
    auto* messages = wnd.findChild<QTableWidget*>("messageTable");
    // Two seconds of output: rates need a second arrival, and GPS, GLONASS, Galileo and SBAS
    // each send their MSM.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          wnd.refresh();
          return systems->rowCount() == 4 && messages->rowCount() == 7 &&
                 messages->item(0, 2)->text() != "-" && label(wnd, "descriptor3") != "-" &&
                 label(wnd, "station4") != "-";
        },
        20000));
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
    wnd.accept();
  }
  conn.Close();
}
