#include "plots/PlotSession.h"

#include <QLabel>
#include <QWidget>
#include <cstdio>

#include "gridlink/CConnection.h"
#include "gridlink/CProfile.h"
#include "gridlink/CReceiver.h"
#include "gridlink/platform/Clock.h"

namespace plots {

PlotSession::PlotSession(QWidget* window, QLabel* status, PlotKind kind)
    : window_(window), status_(status), kind_(kind) {
  watchdog_.setInterval(kWatchdogMs);
  connect(&watchdog_, &QTimer::timeout, this, &PlotSession::checkReceiver);
}

PlotSession::~PlotSession() { stop(); }

void PlotSession::restoreSize(QWidget* window, const char* section) {
  CProfile profile;
  int w = 300, h = 360;
  if (std::sscanf(profile.Read(section, "Size", ""), "%d %d", &w, &h) != 2 || w < 100 || h < 100) {
    w = 300;
    h = 360;
  }
  window->resize(w, h);
}

void PlotSession::saveSize(const QWidget* window, const char* section) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d %04d", window->width(), window->height());
  CProfile profile;
  profile.Write(section, "Size", text);
}

bool PlotSession::start(CConnection* conn, const std::string& receiverName, const std::string& model,
                        DataHandler handler) {
  handler_ = std::move(handler);
  restoreSize(window_, kind_.section);
  const std::string shortName = receiverName.substr(0, receiverName.find(':'));
  window_->setWindowTitle(QString::fromLatin1(kind_.titlePrefix) + QString::fromStdString(model).trimmed() + ":" +
                          QString::fromStdString(shortName));
  status_->setText("Open receiver : " + QString::fromStdString(receiverName));
  if (!conn) return false;
  receiver_ = CReceiver::Create();
  receiver_->AddRef();
  receiver_->SetUserDWORD(reinterpret_cast<unsigned long>(this));
  if (!receiver_->Open(conn, receiverName.c_str(), 0) ||
      !receiver_->Attach(0, &PlotSession::onData, kind_.attachList, nullptr)) {
    status_->setText(QString::fromStdString(receiver_->GetReplyString()));
    return false;
  }
  lastEpoch_ = Platform::GetTickCount();
  watchdog_.start();
  // The opening text goes with the first epoch rather than a minute later.
  connect(this, &PlotSession::epochEnded, this, &PlotSession::checkReceiver, Qt::SingleShotConnection);
  return true;
}

bool PlotSession::attachStream(std::uint8_t slot, const char* list) {
  if (!receiver_) return false;
  if (receiver_->Attach(slot, &PlotSession::onData, list, nullptr)) return true;
  status_->setText(QString::fromStdString(receiver_->GetReplyString()));
  return false;
}

void PlotSession::stop() {
  watchdog_.stop();
  if (!receiver_) return;
  saveSize(window_, kind_.section);
  // Close waits for a delivery in progress, so no callback runs after it.
  receiver_->Close(false);
  receiver_->Release();
  receiver_ = nullptr;
}

void PlotSession::checkReceiver() {
  const std::uint32_t age = Platform::GetTickCount() - lastEpoch_.load();
  status_->setText(age < kWatchdogMs + 1 ? QString() : QString("Receiver don't reply!"));
}

void PlotSession::onData(CReceiver* r) {
  auto* self = reinterpret_cast<PlotSession*>(r->GetUserDWORD());
  const int size = r->getMsgBufSize();
  if (!self || size < 2) return;
  const unsigned char* m = r->getMsgBuf(0);
  if (m[0] == '|' && m[1] == '|') {
    self->lastEpoch_ = Platform::GetTickCount();
    emit self->epochEnded();  // queued: the window lives on the GUI thread
    return;
  }
  if (self->handler_) self->handler_(m, size);
}

}  // namespace plots
