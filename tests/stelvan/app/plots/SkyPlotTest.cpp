// The satellite status texts, the live sky of every system with its expiry, the label layout
// of a crowded sky, the sky plot drawn from known satellites, its popup and its signal bars.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <cstdio>

#include "QtTestApp.h"
#include "gridlink/Framing.h"
#include "gridlink/platform/Clock.h"
#include "plots/CSatellitesWnd.h"
#include "plots/LabelLayout.h"
#include "plots/LiveSky.h"
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

// One round of per-satellite ZRX frames: id, three hex length digits, body, checksum byte.
std::string frame(const char* id, const std::vector<int>& values) {
  std::string body;
  for (int v : values) body += static_cast<char>(v & 0xFF);
  char head[6];
  std::snprintf(head, sizeof head, "%c%c%03X", id[0], id[1], static_cast<unsigned>(body.size() + 1));
  std::string f = head + body;
  return f + static_cast<char>(Zrx::checksum8(f.data(), f.size()));
}

// Satellites by ZRX index with elevation, azimuth (degrees) and C/A signal.
struct Sat {
  int index, el, az, ca, slot = 255;
};
std::vector<std::string> round(const std::vector<Sat>& sats) {
  std::vector<int> si, nn, el, az, ec;
  for (const Sat& s : sats) {
    si.push_back(s.index), nn.push_back(s.slot), el.push_back(s.el), az.push_back(s.az / 2),
        ec.push_back(s.ca);
  }
  return {frame("SI", si), frame("NN", nn), frame("EL", el),
          frame("AZ", az), frame("EC", ec), frame("||", {})};
}

// G5 high in the north-east, R3 (channel -2) low in the south-west, G9 without signal.
const std::vector<Sat> kSky = {{5, 60, 60, 44}, {9, 30, 200, 255}, {43, 20, 224, 39, 3}};

TEST(LiveSky, EverySystemTheReceiverListsWithItsLabel) {
  std::int64_t now = 1000;
  plots::LiveSky sky([&] { return now; });
  sky.update(round({{5, 60, 60, 44},
                    {43, 20, 224, 39, 3},
                    {81, 45, 100, 40},
                    {120, 30, 170, 38},
                    {194, 50, 140, 41},
                    {224, 70, 300, 42},
                    {110, 10, 10, 30}}));  // 104-119: no system
  std::vector<std::string> labels;
  for (const plots::LiveSat& s : sky.satellites()) labels.push_back(plots::LiveSky::label(s.id));
  EXPECT_EQ(labels, (std::vector<std::string>{"G5", "R3", "E11", "S20", "J2", "C14"}));
  const plots::LiveSat r3 = sky.satellites()[1];
  EXPECT_EQ(r3.channel, -2);
  EXPECT_EQ(r3.azimuth, 224);
  EXPECT_EQ(r3.snr[0], 39);
}

TEST(LiveSky, ASatelliteNotHeardForTenSecondsDropsOutButItsTrackStays) {
  std::int64_t now = 0;
  plots::LiveSky sky([&] { return now; });
  sky.update(round(kSky));
  now = 5000;
  sky.update(round({{5, 61, 62, 44}}));  // G9 and R3 no longer listed
  now = 9999;
  EXPECT_EQ(sky.satellites().size(), 3u);  // heard 9.999 s ago: still shown
  now = 10000;
  const auto left = sky.satellites();
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].elevation, 61);
  EXPECT_EQ(sky.tracks().size(), 3u);
  EXPECT_EQ(sky.tracks().at({plots::SatSystem::Gps, 5}).size(), 2u);
  now = 15000;
  EXPECT_TRUE(sky.satellites().empty());
  // Arrays whose count differs from the latest "SI" are damaged: nothing is taken from them.
  std::vector<std::string> damaged = round({{7, 40, 40, 40}});
  damaged[0] = frame("SI", {7, 8});
  sky.update(damaged);
  EXPECT_TRUE(sky.satellites().empty());
}

TEST(LabelLayout, FortyLabelsInACrowdedCornerNeverOverlapEachOtherOrAMarker) {
  std::vector<plots::LabelRequest> labels;
  for (int i = 0; i < 40; ++i)  // markers 3 to 9 pixels apart in a 40 x 30 patch
    labels.push_back({100.0 + (i % 8) * 5 + (i / 8) % 2 * 3, 80.0 + (i / 8) * 6, 22, 13});
  const plots::LabelRect bounds{0, 0, 300, 300};
  const plots::LabelRect letter{140, 70, 10, 14};  // the plot's own "N" beside the crowd
  const auto placed = plots::placeLabels(labels, 6, bounds, {letter});
  ASSERT_EQ(placed.size(), labels.size());
  int leaders = 0;
  for (std::size_t i = 0; i < placed.size(); ++i) {
    const plots::LabelRect& r = placed[i].rect;
    EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.w <= 300 && r.y + r.h <= 300) << i;
    leaders += placed[i].leader;
    EXPECT_FALSE(r.intersects(letter)) << i;
    for (std::size_t j = 0; j < placed.size(); ++j) {
      if (j != i) {
        EXPECT_FALSE(r.intersects(placed[j].rect)) << i << " and " << j;
      }
      const plots::LabelRect marker{labels[j].markerX - 3, labels[j].markerY - 3, 6, 6};
      EXPECT_FALSE(r.intersects(marker)) << "label " << i << " on marker " << j;
    }
  }
  EXPECT_GT(leaders, 0);
  // A lone satellite keeps its label right under the marker.
  const auto lone = plots::placeLabels({{150, 150, 22, 13}}, 6, bounds);
  EXPECT_FALSE(lone[0].leader);
  EXPECT_DOUBLE_EQ(lone[0].rect.y, 154);
  // No room at all inside: outside the bounds rather than on each other.
  const auto full = plots::placeLabels({{10, 10, 22, 13}, {12, 12, 22, 13}}, 6, {0, 0, 24, 24});
  EXPECT_FALSE(full[0].rect.intersects(full[1].rect));
}

TEST(SkyPlot, MarkersStandWhereElevationAndAzimuthPutThem) {
  QtTestApp();
  plots::LiveSky sky;
  sky.update(round(kSky));
  const QSize size(300, 300);
  QImage image(size, QImage::Format_RGB32);
  std::vector<plots::SkyPainter::Marker> markers;
  {
    QPainter p(&image);
    markers = plots::SkyPainter::paint(p, size, sky, sky.satellites(), 10);
  }
  // Radius 150 about (150, 150). Elevation 60 lies at a third of the radius; azimuth 60 east
  // of north puts it at (150 + 50 sin 60, 150 - 50 cos 60).
  const QPoint g5 = plots::SkyPainter::project(size, 60, 60);
  EXPECT_EQ(g5, QPoint(193, 125));
  EXPECT_EQ(plots::SkyPainter::project(size, 20, 224), QPoint(150 - 81, 150 + 84));
  EXPECT_EQ(QColor(image.pixel(193, 125)),
            plots::SkyPainter::colour(plots::LiveSky::colour({plots::SatSystem::Gps, 5})));
  // Listed without signal: no marker, the plot shows its white background there.
  ASSERT_EQ(markers.size(), 2u);
  const QPoint g9 = plots::SkyPainter::project(size, 30, 200);
  EXPECT_EQ(QColor(image.pixel(g9 + QPoint(2, 2))), QColor(Qt::white));
  EXPECT_EQ(plots::SkyPainter::hitTest(markers, g5 + QPoint(2, -2)), 0);
  EXPECT_EQ(plots::SkyPainter::hitTest(markers, g5 + QPoint(3, 0)), -1);  // the edge is outside
}

TEST(SkyPlot, ClickingAMarkerOpensItsPopup) {
  QtTestApp();
  plots::CSatellitesWnd wnd;
  wnd.resize(300, 420);
  wnd.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
  wnd.feed(round(kSky));
  wnd.view()->render();  // places the markers
  const QPoint g5 = plots::SkyPainter::project(wnd.view()->size(), 60, 60);
  QTest::mousePress(wnd.view(), Qt::LeftButton, {}, g5);
  ASSERT_NE(wnd.view()->popup(), nullptr);
  EXPECT_TRUE(wnd.view()->popup()->isVisible());
  EXPECT_EQ(wnd.view()->popup()->text(), "GPS G5\nel 60  az 60\nCA  44 dB-Hz");
  QTest::mouseRelease(wnd.view(), Qt::LeftButton, {}, g5);
  EXPECT_FALSE(wnd.view()->popup()->isVisible());
}

// Forty bars: in a narrow view they keep a readable width and scroll; in a wide one they fit.
TEST(SkyPlot, SignalBarsNarrowDownThenScroll) {
  QtTestApp();
  plots::CSatellitesWnd wnd;
  std::vector<Sat> many;
  for (int i = 0; i < 40; ++i) many.push_back({i < 30 ? i + 1 : 211 + i, 20 + i, i * 9, 30 + i % 20});
  wnd.feed(round(many));
  const QFontMetrics fm = wnd.bars()->fontMetrics();
  const int least = plots::SkyPainter::minBarStep(fm);
  EXPECT_GE(least, fm.horizontalAdvance("C40"));
  wnd.resize(320, 480);
  wnd.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&wnd));
  EXPECT_TRUE(QTest::qWaitFor([&] { return wnd.barScroll()->horizontalScrollBar()->maximum() > 0; }, 5000));
  EXPECT_GE(wnd.bars()->width(), 40 * least);
  wnd.resize(2000, 480);
  EXPECT_TRUE(QTest::qWaitFor([&] { return wnd.barScroll()->horizontalScrollBar()->maximum() == 0; }, 5000));
  const int step = plots::SkyPainter::barStep(fm, wnd.bars()->width(), 40);
  EXPECT_GT(step, least);
  EXPECT_LE(6 + 40 * step, wnd.bars()->width());
}

TEST(SkyPlot, WatchdogShowsSilenceAndClearsWhenDataResumes) {
  QtTestApp();
  plots::CSatellitesWnd wnd;
  wnd.setLastEpochTick(Platform::GetTickCount() - 61000);
  wnd.checkReceiver();
  EXPECT_EQ(wnd.statusLine()->text(), "Receiver don't reply!");
  wnd.feed(round(kSky));  // brings an epoch end
  wnd.checkReceiver();
  EXPECT_EQ(wnd.statusLine()->text(), "");
}

}  // namespace
