#include "plots/CSatellitesWnd.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace plots {

SkyView::SkyView(LiveSky& sky, QWidget* parent) : QWidget(parent), sky_(sky) {
  setObjectName("skyView");
  setMinimumSize(160, 160);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QPixmap SkyView::render() {
  const qreal ratio = devicePixelRatioF();
  QPixmap pixmap(size() * ratio);
  pixmap.setDevicePixelRatio(ratio);
  QPainter p(&pixmap);
  p.setFont(font());
  markers_ = SkyPainter::paint(p, size(), sky_, sky_.satellites(), mask_);
  return pixmap;
}

void SkyView::paintEvent(QPaintEvent*) {
  // Drawn off-screen first, then copied in one step, so the plot never flickers.
  const QPixmap pixmap = render();
  QPainter(this).drawPixmap(0, 0, pixmap);
}

void SkyView::mousePressEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  const int hit = SkyPainter::hitTest(markers_, at);
  if (hit < 0) return;
  std::string text;
  for (const LiveSat& s : sky_.satellites())
    if (s.id == markers_[static_cast<std::size_t>(hit)].id) text = LiveSky::popupText(s);
  if (text.empty()) return;
  if (!popup_) {
    popup_ = new QLabel(this, Qt::ToolTip);
    popup_->setObjectName("satPopup");
    QFont fixed("Monospace");
    fixed.setStyleHint(QFont::TypeWriter);
    popup_->setFont(fixed);
    popup_->setStyleSheet("QLabel { background: #ffffe1; border: 1px solid black; padding: 2px; }");
  }
  popup_->setText(QString::fromStdString(text));
  popup_->adjustSize();
  popup_->move(mapToGlobal(at + QPoint(8, 8)));
  popup_->show();
}

void SkyView::mouseReleaseEvent(QMouseEvent*) {
  if (popup_) popup_->hide();
}

SignalBars::SignalBars(LiveSky& sky, QWidget* parent) : QWidget(parent), sky_(sky) {
  setObjectName("signalBars");
  setFixedHeight(SkyPainter::kBarTop + fontMetrics().height() + 6);
}

void SignalBars::refit() {
  int count = 0;
  for (const LiveSat& s : sky_.satellites()) count += SkyPainter::barred(s);
  setMinimumWidth(6 + count * SkyPainter::minBarStep(fontMetrics()));
  update();
}

void SignalBars::paintEvent(QPaintEvent*) {
  QPainter p(this);
  SkyPainter::paintBars(p, size(), sky_.satellites());
}

CSatellitesWnd::CSatellitesWnd(QWidget* parent, LiveSky::Clock clock)
    : LiveViewBase(parent), sky_(std::move(clock)) {
  setObjectName("satellitesWnd");
  view_ = new SkyView(sky_, this);
  bars_ = new SignalBars(sky_, this);
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName("barScroll");
  scroll_->setWidget(bars_);
  scroll_->setWidgetResizable(true);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  scroll_->setFixedHeight(bars_->height() + scroll_->horizontalScrollBar()->sizeHint().height());
  content()->addWidget(view_, 1);
  content()->addWidget(scroll_);
}

void CSatellitesWnd::begin() {
  sky_.clear();
  tick();
}

void CSatellitesWnd::feed(const std::vector<std::string>& messages) {
  noteEpochs(messages);
  sky_.update(messages);
  tick();
}

void CSatellitesWnd::tick() {
  bars_->refit();
  view_->update();
}

}  // namespace plots
