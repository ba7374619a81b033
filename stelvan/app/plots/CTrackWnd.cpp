#include "plots/CTrackWnd.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gridlink/platform/Clock.h"
#include "plots/TrackViews.h"

namespace plots {

CTrackWnd::CTrackWnd(Kind kind, QWidget* parent) : LiveViewBase(parent), started_(Platform::GetTickCount()) {
  const bool scatter = kind == Kind::Scatter;
  setObjectName(scatter ? "scatterWnd" : "positionWnd");
  if (scatter)
    view_ = new ScatterView(track_, this);
  else
    view_ = new PositionView(track_, this);
  view_->setMinimumSize(160, 160);
  auto* clear = new QPushButton("Clear", this);
  clear->setObjectName("clearButton");
  connect(clear, &QPushButton::clicked, this, [this] {
    track_.clear();
    view_->update();
  });
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(clear);
  content()->addWidget(view_, 1);
  content()->addLayout(bottom);
}

void CTrackWnd::setTarget(std::optional<std::pair<double, double>> target) {
  if (target && (target->first != 0 || target->second != 0)) {
    Fix ref;
    ref.lat = target->first;
    ref.lon = target->second;
    track_.setReference(ref);
  } else {
    track_.setReference(std::nullopt);
  }
  view_->update();
}

void CTrackWnd::begin() {
  track_.clear();
  started_ = Platform::GetTickCount();
  view_->update();
}

void CTrackWnd::feed(const std::vector<std::string>& messages) {
  noteEpochs(messages);
  for (const std::string& m : messages) {
    if (auto fix = PositionTrack::decodePG(reinterpret_cast<const unsigned char*>(m.data()),
                                           static_cast<int>(m.size()))) {
      fix->ms = static_cast<std::uint32_t>(Platform::GetTickCount() - started_);
      track_.add(*fix);
    }
  }
  view_->update();
}

}  // namespace plots
