#include "plots/TrackViews.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace plots {

QColor solutionColour(int type) {
  switch (type) {
    case 1: return QColor(200, 40, 40);    // standalone
    case 2: return QColor(40, 90, 220);    // code differential
    case 3: return QColor(230, 140, 0);    // float
    case 4: return QColor(20, 150, 40);    // fixed
    default: return QColor(130, 130, 130);  // no solution
  }
}

double niceScale(double span) {
  if (!(span > 0.001)) return 0.001;
  const double p = std::pow(10.0, std::floor(std::log10(span)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * p >= span) return m * p;
  return 10 * p;
}

namespace {
QString metres(double v) { return QString::number(v, 'f', v < 1 ? 3 : v < 100 ? 2 : 1) + " m"; }
}  // namespace

ScatterView::ScatterView(const PositionTrack& track, QWidget* parent) : QWidget(parent), track_(track) {
  setObjectName("scatterView");
  setMinimumSize(200, 200);
}

QString ScatterView::figures() const {
  const TrackStats s = track_.stats();
  return QString("CEP 50%: %1   2DRMS: %2   Fixes: %3").arg(metres(s.cep50), metres(s.drms2)).arg(s.count);
}

void ScatterView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), Qt::white);
  const std::vector<Offset> offsets = track_.offsets();
  const TrackStats s = track_.stats();
  double span = 0;
  for (const Offset& o : offsets) span = std::max({span, std::fabs(o.east), std::fabs(o.north)});
  const double scale = niceScale(span * 1.1);
  const int top = p.fontMetrics().height() + 6;
  const QRect area = rect().adjusted(8, top, -8, -8);
  const int half = std::min(area.width(), area.height()) / 2;
  const QPoint c = area.center();
  const double px = half / scale;
  p.setPen(QColor(200, 200, 200));
  for (int k = 1; k <= 2; ++k) p.drawEllipse(c, half * k / 2, half * k / 2);
  p.drawLine(c.x() - half, c.y(), c.x() + half, c.y());
  p.drawLine(c.x(), c.y() - half, c.x(), c.y() + half);
  for (const Offset& o : offsets) {
    p.setPen(Qt::NoPen);
    p.setBrush(solutionColour(o.type));
    p.drawEllipse(QPointF(c.x() + o.east * px, c.y() - o.north * px), 2.0, 2.0);
  }
  if (s.count) {
    QPen pen(QColor(0, 0, 204));
    pen.setStyle(Qt::DashLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(c), s.cep50 * px, s.cep50 * px);
  }
  p.setPen(Qt::black);
  p.drawText(8, p.fontMetrics().ascent() + 3, figures());
  p.drawText(c.x() + half / 2 + 3, c.y() - 3, metres(scale / 2));
  p.drawText(c.x() + 3, area.top() + p.fontMetrics().ascent(), "N");
  p.drawText(area.left() + half * 2 - p.fontMetrics().horizontalAdvance("E") + (area.width() - 2 * half) / 2,
             c.y() - 3, "E");
}

PositionView::PositionView(const PositionTrack& track, QWidget* parent) : QWidget(parent), track_(track) {
  setObjectName("positionView");
  setMinimumSize(240, 240);
}

void PositionView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), Qt::white);
  const std::vector<Offset> offsets = track_.offsets();
  const char* names[3] = {"Latitude (north, m)", "Longitude (east, m)", "Height (m)"};
  const int strip = height() / 3;
  const std::int64_t t0 = offsets.empty() ? 0 : offsets.front().ms;
  const std::int64_t t1 = offsets.empty() ? 1 : std::max(offsets.back().ms, t0 + 1);
  for (int k = 0; k < 3; ++k) {
    auto value = [k](const Offset& o) { return k == 0 ? o.north : k == 1 ? o.east : o.up; };
    double span = 0;
    for (const Offset& o : offsets) span = std::max(span, std::fabs(value(o)));
    const double scale = niceScale(span * 1.1);
    const QRect r(50, k * strip + p.fontMetrics().height() + 2, width() - 58,
                  strip - p.fontMetrics().height() - 8);
    p.setPen(QColor(200, 200, 200));
    p.setBrush(Qt::NoBrush);  // the previous strip's dots leave their fill behind
    p.drawRect(r);
    p.drawLine(r.left(), r.center().y(), r.right(), r.center().y());
    p.setPen(Qt::black);
    p.drawText(4, k * strip + p.fontMetrics().ascent() + 1, names[k]);
    p.drawText(4, r.top() + p.fontMetrics().ascent(), "+" + QString::number(scale));
    p.drawText(4, r.bottom(), "-" + QString::number(scale));
    for (const Offset& o : offsets) {
      const double x = r.left() + static_cast<double>(o.ms - t0) / static_cast<double>(t1 - t0) * r.width();
      const double y = r.center().y() - value(o) / scale * r.height() / 2;
      p.setPen(Qt::NoPen);
      p.setBrush(solutionColour(o.type));
      p.drawEllipse(QPointF(x, y), 2.0, 2.0);
    }
  }
}

}  // namespace plots
