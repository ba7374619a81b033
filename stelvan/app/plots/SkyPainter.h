#pragma once
// Draws the sky plot of a LiveSky and its signal bars in logical pixels; the caller hands a
// painter on a pixmap with the screen's device-pixel ratio, so the drawing stays sharp on
// dense screens.
#include <QFontMetrics>
#include <QPainter>
#include <QPoint>
#include <QSize>
#include <vector>

#include "plots/LiveSky.h"

namespace plots {

class SkyPainter {
 public:
  static constexpr int kMarker = 6;     // side of a satellite's square marker
  static constexpr int kBarArea = 108;  // height of the signal bars
  static constexpr int kBarTop = 74;    // bar height for 73 dB-Hz and above

  struct Marker {
    SatId id;
    QPoint at;
  };

  // The rings, the tracks, then a marker and a label for every satellite with elevation and
  // signal; returns where the markers went (for clicks).
  static std::vector<Marker> paint(QPainter& p, QSize size, const LiveSky& sky,
                                   const std::vector<LiveSat>& sats, int elevationMask);
  // Where an elevation/azimuth lands for a plot of this size.
  static QPoint project(QSize size, int elevation, int azimuth);
  // The marker that strictly contains the point, or -1.
  static int hitTest(const std::vector<Marker>& markers, QPoint at);
  static QColor colour(std::uint32_t rgb);

  // Signal bars: one per satellite with a C/A value, as wide as `width` allows between the
  // narrowest step that still holds a label and a comfortable one.
  static int minBarStep(const QFontMetrics& fm);
  static int barStep(const QFontMetrics& fm, int width, int count);
  static void paintBars(QPainter& p, QSize size, const std::vector<LiveSat>& sats);
  static bool barred(const LiveSat& s) { return s.snr[0] > 0; }
};

}  // namespace plots
