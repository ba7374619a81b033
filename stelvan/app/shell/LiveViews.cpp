#include "shell/LiveViews.h"

#include <QByteArray>
#include <QDockWidget>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <cstdio>
#include <set>

#include "gridlink/CProfile.h"
#include "gridlink/CReceiver.h"
#include "gridlink/platform/Clock.h"
#include "plots/CCorrectionsWnd.h"
#include "plots/CSatellitesWnd.h"
#include "plots/CTrackWnd.h"
#include "session/ReceiverSession.h"

namespace {

constexpr int kStateVersion = 1;

// The messages the views use; the session's other rows stay on the session thread.
bool wanted(const std::string& m) {
  static const std::set<std::string> ids = {"||", "SI", "NN", "EL", "AZ", "EC", "E1", "E2", "E3", "E5", "PG"};
  return m.size() >= 5 && ids.count(m.substr(0, 2)) != 0;
}

}  // namespace

LiveViews::LiveViews(QMainWindow& frame, WithReceiver withReceiver)
    : QObject(&frame), frame_(frame), withReceiver_(std::move(withReceiver)) {
  buildDock(Satellites, "dockSatellites", "Satellites", new plots::CSatellitesWnd);
  buildDock(Scatter, "dockScatter", "Scatter", new plots::CTrackWnd(plots::CTrackWnd::Kind::Scatter));
  buildDock(Position, "dockPosition", "Position", new plots::CTrackWnd(plots::CTrackWnd::Kind::Position));
  buildDock(Corrections, "dockCorrections", "Corrections", new plots::CCorrectionsWnd);
}

LiveViews::~LiveViews() {
  detach();
  rtcm_.reset();
}

void LiveViews::attachTo(session::ReceiverSession& s) {
  s.addRoundListener(this);
  session_ = &s;
  detach_ = [this, &s] {
    s.removeRoundListener(this);
    s.setOutput(kRtcmSlot, {});  // nothing would show it; no call of ours runs after this
  };
}

void LiveViews::detach() {
  if (detach_) std::exchange(detach_, nullptr)();
  session_ = nullptr;
}

QDockWidget* LiveViews::buildDock(View v, const char* name, const char* title, plots::LiveViewBase* content) {
  auto* dock = new QDockWidget(title, &frame_);
  dock->setObjectName(name);
  dock->setWidget(content);
  dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
  frame_.addDockWidget(Qt::RightDockWidgetArea, dock);
  dock->hide();
  connect(dock, &QDockWidget::visibilityChanged, this, &LiveViews::layoutChanged);
  connect(dock, &QDockWidget::topLevelChanged, this, &LiveViews::layoutChanged);
  docks_[v] = dock;
  views_[v] = content;
  if (v == Corrections) dock->installEventFilter(this);  // its own close button, too
  return dock;
}

bool LiveViews::eventFilter(QObject* watched, QEvent* event) {
  // Once it is closed, unless it was opened again meanwhile.
  if (watched == docks_[Corrections] && event->type() == QEvent::Close)
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (!isOpen(Corrections)) detachRtcm();
        },
        Qt::QueuedConnection);
  return QObject::eventFilter(watched, event);
}

bool LiveViews::isOpen(View v) const {
  return !docks_[v]->isHidden();
}

void LiveViews::toggle(View v) {
  QDockWidget* dock = docks_[v];
  if (isOpen(v)) {
    dock->close();  // the Corrections view's close event stops its output (eventFilter)
    return;
  }
  views_[v]->begin();
  dock->show();
  dock->raise();
  if (v == Satellites) readElevationMask();
  if (v == Corrections) attachRtcm();
  emit layoutChanged();
}

void LiveViews::setTarget(double lat, double lon) {
  for (View v : {Scatter, Position})
    static_cast<plots::CTrackWnd*>(views_[v])->setTarget(std::make_pair(lat, lon));
}

void LiveViews::sessionState(session::SessionState to) {
  if (to == session::SessionState::Idle) fresh_ = true;
  if (to != session::SessionState::Live) {
    // The receiver was closed or lent; the session attaches the RTCM slot again once it is live.
    rtcm_.reset();
    return;
  }
  if (isOpen(Satellites)) readElevationMask();
  if (isOpen(Corrections)) attachRtcm();
}

void LiveViews::readElevationMask() {
  int mask = 0;
  withReceiver_([&mask](CReceiver* r) {
    std::string reply;
    if (r->SendCommand("print,/par/pos/elm", reply) && reply.size() > 5 &&
        std::sscanf(reply.c_str() + 5, "%d", &mask) == 1)
      return;
    mask = 0;
  });
  static_cast<plots::CSatellitesWnd*>(views_[Satellites])->view()->setElevationMask(mask);
}

// The session attaches the receiver's RTCM output on its thread while live (again after a tool
// or a lost receiver); the handler follows the live receiver.
void LiveViews::attachRtcm() {
  auto* wnd = static_cast<plots::CCorrectionsWnd*>(views_[Corrections]);
  withReceiver_([this, wnd](CReceiver* r) {
    rtcm_ = session::CallbackRegistry::instance().data.add({r, kRtcmSlot}, [wnd](CReceiver* rcv) {
      if (rcv->getMsgBufSize() > 0) wnd->addRtcm(rcv->getMsgBuf(0), rcv->getMsgBufSize());
    });
  });
  if (rtcmWanted_ || !session_) return;
  rtcmWanted_ = true;
  // Session thread; detach() ends these calls before this object may go.
  session_->setOutput(kRtcmSlot, plots::CCorrectionsWnd::kRtcmList, [this](const std::string& reply) {
    QMetaObject::invokeMethod(
        this,
        [this, reply] {
          static_cast<plots::CCorrectionsWnd*>(views_[Corrections])
              ->statusLine()
              ->setText(QString::fromStdString(reply));
        },
        Qt::QueuedConnection);
  });
}

// The view closed: the session stops the receiver's RTCM output (a port can only stop all its
// outputs, so the session enables its own again), which would otherwise take the line's room.
void LiveViews::detachRtcm() {
  rtcm_.reset();
  if (!rtcmWanted_ || !session_) return;
  rtcmWanted_ = false;
  session_->setOutput(kRtcmSlot, {});
}

void LiveViews::begin() {
  QMetaObject::invokeMethod(this, &LiveViews::startBegin, Qt::QueuedConnection);
}

// A new connection starts the views over; the same session back after a tool or a lost
// receiver goes on where they were.
void LiveViews::startBegin() {
  for (plots::LiveViewBase* v : views_) {
    v->setLastEpochTick(Platform::GetTickCount());
    if (fresh_) v->begin();
  }
  fresh_ = false;
}

void LiveViews::round(const std::vector<std::string>& fresh) {
  std::vector<std::string> messages;
  for (const std::string& m : fresh)
    if (wanted(m)) messages.push_back(m);
  if (messages.empty()) return;
  QMetaObject::invokeMethod(
      this, [this, messages] { deliver(messages); }, Qt::QueuedConnection);
}

void LiveViews::deliver(const std::vector<std::string>& messages) {
  for (int v = 0; v < kViews; ++v)
    if (isOpen(static_cast<View>(v))) views_[static_cast<std::size_t>(v)]->feed(messages);
}

void LiveViews::save() const {
  CProfile profile;
  profile.Write("Views", "State", frame_.saveState(kStateVersion).toBase64().constData());
}

void LiveViews::restore() {
  CProfile profile;
  const QByteArray state = QByteArray::fromBase64(QByteArray(profile.Read("Views", "State", "")));
  if (!state.isEmpty()) frame_.restoreState(state, kStateVersion);
  emit layoutChanged();
}
