#include "plots/SkyPainter.h"

#include <QApplication>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "plots/LabelLayout.h"

namespace plots {

namespace {

struct Geometry {
  int r, cx, cy;
};

Geometry geometry(QSize size) {
  const int r = std::min(size.width(), size.height()) / 2;
  return {r, size.width() / 2, size.height() / 2};
}

int mulDiv(int a, int b, int c) {
  return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

QPoint mapPoint(const Geometry& g, int elevation, int azimuth) {
  const double a = azimuth * M_PI / 180.0;
  const int r = mulDiv(g.r, 90 - elevation, 90);
  return {g.cx + static_cast<int>(std::lround(std::sin(a) * r)),
          g.cy - static_cast<int>(std::lround(std::cos(a) * r))};
}

void drawCentred(QPainter& p, int x, int y, const QString& text) {
  const int w = p.fontMetrics().horizontalAdvance(text);
  p.drawText(x - w / 2, y + p.fontMetrics().ascent(), text);
}

// Ring labels in a smaller face: eight rings share the radius with their labels.
QFont ringFont(const QFont& normal) {
  QFont small = normal;
  small.setPointSizeF(std::max(5.0, normal.pointSizeF() * 0.7));
  return small;
}

struct RingLabel {
  QString text;
  QPointF baseline;
  LabelRect box;
};

// The elevation figures on the west-east line, both sides of the centre.
std::vector<RingLabel> ringLabels(const QFont& normal, const Geometry& g) {
  const QFontMetrics fm(ringFont(normal));
  std::vector<RingLabel> labels;
  for (int e = 10; e <= 80; e += 10) {
    const int r = mulDiv(g.r, 90 - e, 90);
    const QString text = QString::number(e);
    const double w = fm.horizontalAdvance(text), y = g.cy - 2;
    for (const int x : {g.cx - r, g.cx + r})
      labels.push_back({text, QPointF(x - w / 2, y), {x - w / 2, y - fm.ascent(), w, double(fm.ascent())}});
  }
  return labels;
}

void drawRingLabels(QPainter& p, const Geometry& g) {
  const QFont normal = p.font();
  const std::vector<RingLabel> labels = ringLabels(normal, g);
  p.setFont(ringFont(normal));
  p.setPen(SkyPainter::colour(0xB4B4B4));
  for (const RingLabel& l : labels) p.drawText(l.baseline, l.text);
  p.setFont(normal);
}

// Where drawRings puts "W", "E", "N" and "S", and the rings' elevation figures.
std::vector<LabelRect> lettering(QPainter& p, const Geometry& g) {
  const QFontMetrics fm = p.fontMetrics();
  const double w = fm.horizontalAdvance("W"), h = fm.height();
  std::vector<LabelRect> taken = {{double(g.cx - g.r + 2), double(g.cy + 1), w, h},
                                  {double(g.cx + g.r - 2) - w, double(g.cy + 1), w, h},
                                  {double(g.cx + 3), double(g.cy - g.r + 1), w, h},
                                  {double(g.cx + 3), double(g.cy + g.r - 1) - h, w, h}};
  for (const RingLabel& l : ringLabels(p.font(), g)) taken.push_back(l.box);
  return taken;
}

void drawRings(QPainter& p, const Geometry& g) {
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPoint(g.cx, g.cy), g.r + 1, g.r + 1);
  p.setBrush(Qt::NoBrush);
  p.setPen(SkyPainter::colour(0x888888));
  for (int e = 10; e <= 80; e += 10)
    p.drawEllipse(QPoint(g.cx, g.cy), mulDiv(g.r, 90 - e, 90), mulDiv(g.r, 90 - e, 90));
  p.drawLine(g.cx - g.r + 2, g.cy, g.cx + g.r - 2, g.cy);
  p.drawLine(g.cx, g.cy - g.r + 2, g.cx, g.cy + g.r - 2);
  drawRingLabels(p, g);
  const QFontMetrics fm = p.fontMetrics();
  p.setPen(Qt::black);
  p.drawText(g.cx - g.r + 2, g.cy + fm.ascent() + 1, "W");
  p.drawText(g.cx + g.r - 2 - fm.horizontalAdvance("E"), g.cy + fm.ascent() + 1, "E");
  p.drawText(g.cx + 3, g.cy - g.r + fm.ascent() + 1, "N");
  p.drawText(g.cx + 3, g.cy + g.r - fm.descent() - 1, "S");
}

void drawTracks(QPainter& p, const Geometry& g, const LiveSky& sky) {
  for (const auto& [id, points] : sky.tracks()) {
    p.setPen(SkyPainter::colour(LiveSky::colour(id)));
    for (const auto& [az, el] : points) p.drawPoint(mapPoint(g, el, az));
  }
}

std::vector<SkyPainter::Marker> drawMarkers(QPainter& p, const Geometry& g, QSize size,
                                            const std::vector<LiveSat>& sats) {
  std::vector<SkyPainter::Marker> markers;
  std::vector<LabelRequest> requests;
  const QFontMetrics fm = p.fontMetrics();
  for (const LiveSat& s : sats) {
    if (s.elevation <= 0 || s.elevation > 90 || !SkyPainter::barred(s)) continue;
    markers.push_back({s.id, mapPoint(g, s.elevation, s.azimuth)});
    const QString text = QString::fromStdString(LiveSky::label(s.id));
    requests.push_back({double(markers.back().at.x()), double(markers.back().at.y()),
                        double(fm.horizontalAdvance(text)), double(fm.height())});
  }
  const auto placed = placeLabels(requests, SkyPainter::kMarker,
                                  {0, 0, double(size.width()), double(size.height())}, lettering(p, g));
  for (std::size_t i = 0; i < markers.size(); ++i) {
    const QColor c = SkyPainter::colour(LiveSky::colour(markers[i].id));
    const QPoint at = markers[i].at;
    const QRectF r(placed[i].rect.x, placed[i].rect.y, placed[i].rect.w, placed[i].rect.h);
    if (placed[i].leader) {
      p.setPen(QPen(c, 0, Qt::DotLine));
      const QPointF end(std::clamp<double>(at.x(), r.left(), r.right()),
                        std::clamp<double>(at.y(), r.top(), r.bottom()));
      p.drawLine(QPointF(at), end);
    }
    p.fillRect(at.x() - SkyPainter::kMarker / 2, at.y() - SkyPainter::kMarker / 2, SkyPainter::kMarker,
               SkyPainter::kMarker, c);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, QString::fromStdString(LiveSky::label(markers[i].id)));
  }
  return markers;
}

}  // namespace

QColor SkyPainter::colour(std::uint32_t rgb) {
  return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                static_cast<int>(rgb & 0xFF));
}

QPoint SkyPainter::project(QSize size, int elevation, int azimuth) {
  return mapPoint(geometry(size), elevation, azimuth);
}

std::vector<SkyPainter::Marker> SkyPainter::paint(QPainter& p, QSize size, const LiveSky& sky,
                                                  const std::vector<LiveSat>& sats, int elevationMask) {
  const Geometry g = geometry(size);
  p.fillRect(QRect(QPoint(0, 0), size), QApplication::palette().color(QPalette::Button));
  if (g.r < 4) return {};
  drawRings(p, g);
  if (elevationMask > 0 && elevationMask < 90) {
    QPen pen(colour(0xCC0000));
    pen.setStyle(Qt::DotLine);
    p.setPen(pen);
    const int r = (90 - elevationMask) * g.r / 90;
    p.drawEllipse(QPoint(g.cx, g.cy), r, r);
  }
  drawTracks(p, g, sky);
  return drawMarkers(p, g, size, sats);
}

int SkyPainter::hitTest(const std::vector<Marker>& markers, QPoint at) {
  const int h = kMarker / 2;
  for (std::size_t i = 0; i < markers.size(); ++i) {
    const QPoint m = markers[i].at;
    if (at.x() > m.x() - h && at.x() < m.x() + h && at.y() > m.y() - h && at.y() < m.y() + h) return int(i);
  }
  return -1;
}

int SkyPainter::minBarStep(const QFontMetrics& fm) {
  return std::max(fm.horizontalAdvance("C63"), fm.horizontalAdvance("99")) + 4;
}

int SkyPainter::barStep(const QFontMetrics& fm, int width, int count) {
  const int least = minBarStep(fm), most = fm.horizontalAdvance(" G55 ") + 6;
  return count <= 0 ? most : std::clamp((width - 6) / count, least, most);
}

void SkyPainter::paintBars(QPainter& p, QSize size, const std::vector<LiveSat>& sats) {
  p.fillRect(QRect(QPoint(0, 0), size), QApplication::palette().color(QPalette::Button));
  const QFontMetrics fm = p.fontMetrics();
  int count = 0;
  for (const LiveSat& s : sats) count += barred(s);
  const int step = barStep(fm, size.width(), count), width = step - 3;
  const int y0 = 2;
  int x = 3;
  for (const LiveSat& s : sats) {
    if (!barred(s)) continue;
    const int ca = std::clamp(s.snr[0], 0, kBarTop - 1);
    const QColor c = colour(LiveSky::colour(s.id));
    p.fillRect(x, y0, width, kBarTop - ca, Qt::white);
    p.setPen(Qt::black);
    drawCentred(p, x + width / 2, y0, QString::number(s.snr[0]));
    p.fillRect(x, y0 + kBarTop - 1 - ca, width, ca + 1, c);
    p.setPen(c);
    drawCentred(p, x + width / 2, y0 + kBarTop + 1, QString::fromStdString(LiveSky::label(s.id)));
    x += step;
  }
}

}  // namespace plots
