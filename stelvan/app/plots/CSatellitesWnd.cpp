#include "plots/CSatellitesWnd.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <cstdio>

#include "gridlink/CReceiver.h"
#include "plots/SkyPainter.h"

namespace plots {

SkyView::SkyView(SatelliteSky& sky, QWidget* parent) : QWidget(parent), sky_(sky) {
  setObjectName("skyView");
  setMinimumSize(200, 200 + SkyPainter::kBarArea);
}

QPixmap SkyView::render() {
  const qreal ratio = devicePixelRatioF();
  QPixmap pixmap(size() * ratio);
  pixmap.setDevicePixelRatio(ratio);
  QPainter p(&pixmap);
  p.setFont(font());
  std::lock_guard lock(sky_.lock());
  SkyPainter::paint(p, size(), sky_, mask_);
  return pixmap;
}

void SkyView::paintEvent(QPaintEvent*) {
  // Drawn off-screen first, then copied in one step, so the plot never flickers.
  const QPixmap pixmap = render();
  QPainter(this).drawPixmap(0, 0, pixmap);
}

void SkyView::mousePressEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  std::string text;
  {
    std::lock_guard lock(sky_.lock());
    const int slot = SkyPainter::hitTest(sky_, at);
    if (slot < 0) return;
    text = sky_.popupText(slot);
  }
  if (!popup_) {
    popup_ = new QLabel(this, Qt::ToolTip);
    popup_->setObjectName("satPopup");
    QFont fixed("Monospace");
    fixed.setStyleHint(QFont::TypeWriter);
    popup_->setFont(fixed);
    popup_->setStyleSheet("QLabel { background: #ffffe1; border: 1px solid black; padding: 2px; }");
  }
  popup_->setText(QString::fromUtf8(text.c_str()));
  popup_->adjustSize();
  popup_->move(mapToGlobal(at + QPoint(8, 8)));
  popup_->show();
}

void SkyView::mouseReleaseEvent(QMouseEvent*) {
  if (popup_) popup_->hide();
}

CSatellitesWnd::CSatellitesWnd(QWidget* parent)
    : QDialog(parent), sky_(std::make_unique<SatelliteSky>()) {
  setObjectName("satellitesWnd");
  setSizeGripEnabled(true);
  view_ = new SkyView(*sky_, this);
  status_ = new QLabel(this);
  status_->setObjectName("statusLine");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 2);
  layout->addWidget(view_, 1);
  layout->addWidget(status_);
  session_ = std::make_unique<PlotSession>(this, status_, kKind);
  connect(session_.get(), &PlotSession::epochEnded, view_, qOverload<>(&QWidget::update));
}

CSatellitesWnd::~CSatellitesWnd() { session_->stop(); }

bool CSatellitesWnd::start(CConnection* conn, const std::string& receiverName, const std::string& model) {
  {
    std::lock_guard lock(sky_->lock());
    sky_->clear();
  }
  SatelliteSky* sky = sky_.get();
  const bool ok = session_->start(conn, receiverName, model, [sky](const unsigned char* m, int n) {
    if (n <= 5) return;
    std::lock_guard lock(sky->lock());
    sky->parse(std::string_view(reinterpret_cast<const char*>(m) + 5, static_cast<std::size_t>(n - 5)));
  });
  if (!ok) return false;
  CReceiver* r = session_->receiver();
  int mask = 0;
  if (r->SendCommand("print,/par/pos/elm")) {
    const std::string reply = r->GetReplyString();
    if (reply.size() > 5 && std::sscanf(reply.c_str() + 5, "%d", &mask) == 1) view_->setElevationMask(mask);
  }
  return true;
}

void CSatellitesWnd::done(int r) {
  session_->stop();
  QDialog::done(r);
}

}  // namespace plots
