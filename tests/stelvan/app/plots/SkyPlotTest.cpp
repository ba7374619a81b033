// The sky plot drawn from known satellites, its markers where elevation and azimuth put
// them and in their slot colours, and the popup a marker click opens.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTest>

#include "QtTestApp.h"
#include "gridlink/platform/Clock.h"
#include "plots/CSatellitesWnd.h"
#include "plots/SatelliteSky.h"
#include "plots/SkyPainter.h"

namespace {

// G5 high in the north-east, R3 low in the south-west, G9 present but without signal.
const char* kGps = ",GPSVST,3,{5,60,60,{44,41,38,40,46},1},{9,30,200,{0,0,0,0,0},1},{12,95,10,{40,38},1},@";
const char* kGlo = ",GLSVST,1,{3,-2,20,225,{39,36,33,0,0},1},@";

TEST(SatelliteSky, ParsesStatusEntriesIntoSlotsAndTracks) {
  plots::SatelliteSky sky;
  ASSERT_TRUE(sky.parse(kGps));
  ASSERT_TRUE(sky.parse(kGlo));
  EXPECT_FALSE(sky.parse(",RTCMST,999,@"));
  const plots::SatSlot& g5 = sky.slot(4);
  EXPECT_TRUE(g5.present);
  EXPECT_EQ(g5.elevation, 60);
  EXPECT_EQ(g5.azimuth, 60);
  EXPECT_EQ(g5.signal[0], 44);
  EXPECT_EQ(g5.signal[4], 46);
  EXPECT_EQ(g5.signal[5], 1);
  EXPECT_TRUE(sky.tracked(60, 60, 4));
  // A short brace list leaves the rest at 0; elevation 95 updates the slot but no track.
  const plots::SatSlot& g12 = sky.slot(11);
  EXPECT_TRUE(g12.present);
  EXPECT_EQ(g12.signal[1], 38);
  EXPECT_EQ(g12.signal[2], 0);
  for (int e = 0; e <= 90; ++e) EXPECT_FALSE(sky.tracked(10, e, 11));
  const plots::SatSlot& r3 = sky.slot(3 + 36);
  EXPECT_TRUE(r3.present);
  EXPECT_EQ(r3.channel, -2);
  EXPECT_EQ(r3.azimuth, 225);
  // A new GPS list clears the GPS slots it no longer holds, not the GLONASS ones.
  ASSERT_TRUE(sky.parse(",GPSVST,1,{9,31,201,{30,0,0,0,0},1},@"));
  EXPECT_FALSE(sky.slot(4).present);
  EXPECT_TRUE(sky.slot(8).present);
  EXPECT_TRUE(sky.slot(39).present);
  EXPECT_TRUE(sky.tracked(60, 60, 4));  // tracks stay
}

TEST(SatelliteSky, SlotColoursStepThroughTheirLevels) {
  EXPECT_EQ(plots::SatelliteSky::slotColour(0), 127u * 65536);
  EXPECT_EQ(plots::SatelliteSky::slotColour(1), 143u * 65536);
  EXPECT_EQ(plots::SatelliteSky::slotColour(8), 255u * 65536);
  EXPECT_EQ(plots::SatelliteSky::slotColour(9), 127u * 65536 + 127 * 256);  // blue wrapped once
  EXPECT_EQ(plots::SatelliteSky::slotColour(37), 127u);
  EXPECT_EQ(plots::SatelliteSky::slotColour(46), 127u * 256 + 127);
}

TEST(SkyPlot, MarkersStandWhereElevationAndAzimuthPutThemInSlotColours) {
  QtTestApp();
  plots::SatelliteSky sky;
  sky.parse(kGps);
  sky.parse(kGlo);
  const QSize size(300, 408);
  QImage image(size, QImage::Format_RGB32);
  {
    QPainter p(&image);
    plots::SkyPainter::paint(p, size, sky, 10);
  }
  // Plot 300 x 300 above the bars: radius 150 about (150, 150). Elevation 60 lies at a
  // third of the radius; azimuth 60 east of north puts it at (150 + 50 sin 60, 150 - 50 cos 60).
  const QPoint g5 = plots::SkyPainter::project(size, 60, 60);
  EXPECT_EQ(g5, QPoint(193, 125));
  // R3 at elevation 20, azimuth 225: 117 pixels out towards the south-west.
  EXPECT_EQ(plots::SkyPainter::project(size, 20, 225), QPoint(150 - 83, 150 + 83));
  EXPECT_EQ(QColor(image.pixel(193, 125)), plots::SkyPainter::colour(plots::SatelliteSky::slotColour(4)));
  EXPECT_EQ(QColor(image.pixel(150 - 83, 150 + 83)),
            plots::SkyPainter::colour(plots::SatelliteSky::slotColour(39)));
  // Present without signal: no marker, the plot shows its white background there.
  const QPoint g9 = plots::SkyPainter::project(size, 30, 200);
  EXPECT_EQ(QColor(image.pixel(g9 + QPoint(2, 2))), QColor(Qt::white));
  EXPECT_EQ(sky.slot(4).markerX, g5.x());
  EXPECT_EQ(plots::SkyPainter::hitTest(sky, g5 + QPoint(2, -2)), 4);
  EXPECT_EQ(plots::SkyPainter::hitTest(sky, g5 + QPoint(3, 0)), -1);  // the edge is outside
}

TEST(SkyPlot, ClickingAMarkerOpensItsPopup) {
  QtTestApp();
  plots::CSatellitesWnd wnd;
  wnd.resize(300, 420);
  wnd.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
  {
    std::lock_guard lock(wnd.sky().lock());
    wnd.sky().parse(kGps);
  }
  wnd.view()->render();  // places the markers
  const QPoint g5 = plots::SkyPainter::project(wnd.view()->size(), 60, 60);
  QTest::mousePress(wnd.view(), Qt::LeftButton, {}, g5);
  ASSERT_NE(wnd.view()->popup(), nullptr);
  EXPECT_TRUE(wnd.view()->popup()->isVisible());
  EXPECT_EQ(wnd.view()->popup()->text(),
            QString::fromUtf8("el  az   ca p1 p2 l2\u00B1 l5 ss\n60  60 44 41 38  40 46  1"));
  QTest::mouseRelease(wnd.view(), Qt::LeftButton, {}, g5);
  EXPECT_FALSE(wnd.view()->popup()->isVisible());
}

TEST(SkyPlot, WatchdogShowsSilenceAndClearsWhenDataResumes) {
  QtTestApp();
  plots::CSatellitesWnd wnd;
  wnd.session().setLastEpochTick(Platform::GetTickCount() - 61000);
  wnd.session().checkReceiver();
  EXPECT_EQ(wnd.statusLine()->text(), "Receiver don't reply!");
  wnd.session().setLastEpochTick(Platform::GetTickCount());
  wnd.session().checkReceiver();
  EXPECT_EQ(wnd.statusLine()->text(), "");
}

}  // namespace
