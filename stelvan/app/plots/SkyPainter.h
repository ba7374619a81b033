#pragma once
// Draws the sky plot and the signal bars of a SatelliteSky in logical pixels; the
// caller hands a painter on a pixmap with the screen's device-pixel ratio, so the
// drawing stays sharp on dense screens. Records each marker's position in its slot.
#include <QPainter>
#include <QPoint>
#include <QSize>

#include "plots/SatelliteSky.h"

namespace plots {

class SkyPainter {
 public:
  static constexpr int kBarArea = 108;  // height below the plot for the signal bars

  // Call with the sky's lock held.
  static void paint(QPainter& p, QSize size, SatelliteSky& sky, int elevationMask);
  // Where an elevation/azimuth lands for a plot of this size.
  static QPoint project(QSize size, int elevation, int azimuth);
  // The present slot whose marker strictly contains the point, or -1. Lock held.
  static int hitTest(const SatelliteSky& sky, QPoint at);
  static QColor colour(std::uint32_t bgr);
};

}  // namespace plots
