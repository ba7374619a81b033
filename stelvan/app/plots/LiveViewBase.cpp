#include "plots/LiveViewBase.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "gridlink/platform/Clock.h"

namespace plots {

LiveViewBase::LiveViewBase(QWidget* parent) : QWidget(parent), lastEpoch_(Platform::GetTickCount()) {
  status_ = new QLabel(this);
  status_->setObjectName("statusLine");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  content_ = new QVBoxLayout;
  layout->addLayout(content_, 1);
  layout->addWidget(status_);
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, [this] {
    checkReceiver();
    tick();
  });
  timer_.start();
}

void LiveViewBase::checkReceiver() {
  const std::uint32_t age = Platform::GetTickCount() - lastEpoch_;
  status_->setText(age <= kWatchdogMs ? QString() : QString("Receiver don't reply!"));
}

void LiveViewBase::noteEpochs(const std::vector<std::string>& messages) {
  for (const std::string& m : messages)
    if (m.rfind("||", 0) == 0) lastEpoch_ = Platform::GetTickCount();
}

}  // namespace plots
