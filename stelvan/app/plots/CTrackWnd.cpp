#include "plots/CTrackWnd.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gridlink/platform/Clock.h"
#include "plots/TrackViews.h"

namespace plots {

CTrackWnd::CTrackWnd(Kind kind, QWidget* parent) : QDialog(parent) {
  const bool scatter = kind == Kind::Scatter;
  setObjectName(scatter ? "scatterWnd" : "positionWnd");
  setSizeGripEnabled(true);
  if (scatter)
    view_ = new ScatterView(track_, this);
  else
    view_ = new PositionView(track_, this);
  status_ = new QLabel(this);
  status_->setObjectName("statusLine");
  auto* clear = new QPushButton("Clear", this);
  clear->setObjectName("clearButton");
  connect(clear, &QPushButton::clicked, this, [this] {
    track_.clear();
    view_->update();
  });
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(status_, 1);
  bottom->addWidget(clear);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(view_, 1);
  layout->addLayout(bottom);
  session_ = std::make_unique<PlotSession>(this, status_, scatter ? kScatter : kPosition);
  connect(session_.get(), &PlotSession::epochEnded, view_, qOverload<>(&QWidget::update));
}

CTrackWnd::~CTrackWnd() { session_->stop(); }

bool CTrackWnd::start(CConnection* conn, const std::string& receiverName, const std::string& model,
                      std::optional<std::pair<double, double>> target) {
  track_.clear();
  if (target && (target->first != 0 || target->second != 0)) {
    Fix ref;
    ref.lat = target->first;
    ref.lon = target->second;
    track_.setReference(ref);
  } else {
    track_.setReference(std::nullopt);
  }
  started_ = Platform::GetTickCount();
  PositionTrack* track = &track_;
  const std::int64_t t0 = started_;
  return session_->start(conn, receiverName, model, [track, t0](const unsigned char* m, int n) {
    if (auto fix = PositionTrack::decodePG(m, n)) {
      fix->ms = static_cast<std::uint32_t>(Platform::GetTickCount() - static_cast<std::uint32_t>(t0));
      track->add(*fix);
    }
  });
}

void CTrackWnd::done(int r) {
  session_->stop();
  QDialog::done(r);
}

}  // namespace plots
