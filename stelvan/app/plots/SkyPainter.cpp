#include "plots/SkyPainter.h"

#include <QApplication>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace plots {

namespace {

struct Geometry {
  int r, cx, cy;
};

Geometry geometry(QSize size) {
  const int plotHeight = std::max(0, size.height() - SkyPainter::kBarArea);
  const int r = std::min(size.width(), plotHeight) / 2;
  return {r, size.width() / 2, plotHeight / 2};
}

int mulDiv(int a, int b, int c) { return static_cast<int>(std::lround(static_cast<double>(a) * b / c)); }

QPoint mapPoint(const Geometry& g, int elevation, int azimuth) {
  const double a = azimuth * M_PI / 180.0;
  const int r = mulDiv(g.r, 90 - elevation, 90);
  return {g.cx + static_cast<int>(std::lround(std::sin(a) * r)), g.cy - static_cast<int>(std::lround(std::cos(a) * r))};
}

void drawCentred(QPainter& p, int x, int y, const QString& text) {
  const int w = p.fontMetrics().horizontalAdvance(text);
  p.drawText(x - w / 2, y + p.fontMetrics().ascent(), text);
}

void drawRings(QPainter& p, const Geometry& g) {
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPoint(g.cx, g.cy), g.r + 1, g.r + 1);
  p.setBrush(Qt::NoBrush);
  const QFont normal = p.font();
  // Ring labels in a smaller face: eight rings share the radius with their labels.
  QFont small = normal;
  small.setPointSizeF(std::max(5.0, normal.pointSizeF() * 0.7));
  p.setFont(small);
  for (int e = 10; e <= 80; e += 10) {
    const int r = mulDiv(g.r, 90 - e, 90);
    p.setPen(SkyPainter::colour(0x888888));
    p.drawEllipse(QPoint(g.cx, g.cy), r, r);
    p.setPen(SkyPainter::colour(0xB4B4B4));
    const QString label = QString::number(e);
    const int w = p.fontMetrics().horizontalAdvance(label);
    p.drawText(g.cx - r - w / 2, g.cy - 2, label);
    p.drawText(g.cx + r - w / 2, g.cy - 2, label);
  }
  p.setFont(normal);
  const QFontMetrics fm = p.fontMetrics();
  p.setPen(Qt::black);
  p.drawText(g.cx - g.r + 2, g.cy + fm.ascent() + 1, "W");
  p.drawText(g.cx + g.r - 2 - fm.horizontalAdvance("E"), g.cy + fm.ascent() + 1, "E");
  p.drawText(g.cx + 3, g.cy - g.r + fm.ascent() + 1, "N");
  p.drawText(g.cx + 3, g.cy + g.r - fm.descent() - 1, "S");
  p.setPen(SkyPainter::colour(0x888888));
  p.drawLine(g.cx - g.r + 2, g.cy, g.cx + g.r - 2, g.cy);
  p.drawLine(g.cx, g.cy - g.r + 2, g.cx, g.cy + g.r - 2);
}

void drawTracks(QPainter& p, const Geometry& g, const SatelliteSky& sky) {
  for (int s = 0; s < SatelliteSky::kSlots; ++s) {
    p.setPen(SkyPainter::colour(SatelliteSky::slotColour(s)));
    for (int a = 0; a < SatelliteSky::kAzimuths; ++a)
      for (int e = 0; e < SatelliteSky::kElevations; ++e)
        if (sky.tracked(a, e, s)) p.drawPoint(mapPoint(g, e, a));
  }
}

void drawMarkers(QPainter& p, const Geometry& g, SatelliteSky& sky) {
  for (int s = 0; s < SatelliteSky::kSlots; ++s) {
    SatSlot& slot = sky.slot(s);
    if (!slot.present || slot.elevation == 0 || slot.signal[0] == 0) continue;
    const QColor c = SkyPainter::colour(SatelliteSky::slotColour(s));
    const QPoint at = mapPoint(g, slot.elevation, slot.azimuth);
    p.fillRect(at.x() - 3, at.y() - 3, 6, 6, c);
    slot.markerX = at.x();
    slot.markerY = at.y();
    p.setPen(c);
    drawCentred(p, at.x(), at.y() + 4, QString::fromStdString(SatelliteSky::slotLabel(s)));
  }
}

void drawBars(QPainter& p, const Geometry& g, const SatelliteSky& sky) {
  const QFontMetrics fm = p.fontMetrics();
  const int textWidth = fm.horizontalAdvance(" G55");
  const int width = std::max(2, textWidth - 3), step = std::max(3, textWidth - 1);
  const int y0 = 2 * g.r + 1;
  int x = 3;
  for (int s = 0; s < SatelliteSky::kSlots; ++s) {
    const SatSlot& slot = sky.slot(s);
    const int ca = std::clamp(slot.signal[0], 0, 73);
    if (!slot.present || slot.signal[0] == 0) continue;
    const QColor c = SkyPainter::colour(SatelliteSky::slotColour(s));
    p.fillRect(x, y0, width, 74 - ca, Qt::white);
    p.setPen(Qt::black);
    drawCentred(p, x + width / 2, y0, QString::number(slot.signal[0]));
    p.fillRect(x, y0 + 73 - ca, width, ca + 1, c);
    p.setPen(c);
    const QString label = QString("%1%2").arg(s < SatelliteSky::kGpsSlots ? 'G' : 'R').arg(
        s < SatelliteSky::kGpsSlots ? s + 1 : s - 36);
    drawCentred(p, x + width / 2, y0 + 75, label);
    x += step;
  }
}

}  // namespace

QColor SkyPainter::colour(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

QPoint SkyPainter::project(QSize size, int elevation, int azimuth) {
  return mapPoint(geometry(size), elevation, azimuth);
}

void SkyPainter::paint(QPainter& p, QSize size, SatelliteSky& sky, int elevationMask) {
  const Geometry g = geometry(size);
  p.fillRect(QRect(QPoint(0, 0), size), QApplication::palette().color(QPalette::Button));
  if (g.r < 4) return;
  drawRings(p, g);
  if (elevationMask > 0 && elevationMask < 90) {
    QPen pen(colour(0x0000CC));
    pen.setStyle(Qt::DotLine);
    p.setPen(pen);
    const int r = (90 - elevationMask) * g.r / 90;
    p.drawEllipse(QPoint(g.cx, g.cy), r, r);
  }
  drawTracks(p, g, sky);
  drawMarkers(p, g, sky);
  drawBars(p, g, sky);
}

int SkyPainter::hitTest(const SatelliteSky& sky, QPoint at) {
  for (int s = 0; s < SatelliteSky::kSlots; ++s) {
    const SatSlot& slot = sky.slot(s);
    if (!slot.present || slot.elevation == 0 || slot.signal[0] == 0) continue;
    if (at.x() > slot.markerX - 3 && at.x() < slot.markerX + 3 && at.y() > slot.markerY - 3 &&
        at.y() < slot.markerY + 3)
      return s;
  }
  return -1;
}

}  // namespace plots
