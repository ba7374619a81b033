// The live views beside the main view: the Plot menu opens and closes them, and the window
// leaves its narrow band while one is docked.
#include <QAction>
#include <QDockWidget>
#include <QScreen>

#include "gridlink/CReceiver.h"
#include "shell/CCockpitApp.h"
#include "shell/CCockpitView.h"
#include "shell/CMainFrame.h"
#include "shell/LiveViews.h"

namespace {

const std::pair<const char*, LiveViews::View> kViewActions[] = {
    {"actionSatellites", LiveViews::Satellites},
    {"actionScatter", LiveViews::Scatter},
    {"actionPosition", LiveViews::Position},
    {"actionCorrections", LiveViews::Corrections}};

}  // namespace

void CMainFrame::buildLiveViews() {
  // Short exchanges beside the session thread (the elevation mask, the RTCM slot), only while live.
  m_LiveViews = new LiveViews(*this, [this](const std::function<void(CReceiver*)>& call) {
    CReceiver* rcv = m_App.sessionRunning() ? m_App.GetReceiver() : nullptr;
    if (!rcv) return false;
    ReceiverCall guard(m_ReceiverCalls);
    call(rcv);
    return true;
  });
  m_LiveViews->attachTo(m_App.session());
  connect(m_LiveViews, &LiveViews::layoutChanged, this, &CMainFrame::updateWidthBand);
  connect(
      m_View, &CCockpitView::sessionState, m_LiveViews,
      [this](int, int to) { m_LiveViews->sessionState(static_cast<session::SessionState>(to)); },
      Qt::QueuedConnection);
  for (const auto& [name, view] : kViewActions) m_Actions[name]->setCheckable(true);
  m_LiveViews->restore();
}

void CMainFrame::updateWidthBand() {
  setMaximumWidth(anyViewDocked() ? QWIDGETSIZE_MAX : m_MaxWidth);
  updateViewActions();
}

void CMainFrame::updateViewActions() {
  for (const auto& [name, view] : kViewActions) m_Actions[name]->setChecked(m_LiveViews->isOpen(view));
}

bool CMainFrame::anyViewDocked() const {
  for (int v = 0; v < LiveViews::kViews; ++v) {
    const QDockWidget* d = m_LiveViews->dock(static_cast<LiveViews::View>(v));
    if (!d->isHidden() && !d->isFloating()) return true;
  }
  return false;
}

void CMainFrame::toggleView(int view) {
  const auto v = static_cast<LiveViews::View>(view);
  const bool widen = !m_LiveViews->isOpen(v) && !anyViewDocked();
  m_LiveViews->setTarget(m_App.targetLat(), m_App.targetLon());
  m_LiveViews->toggle(v);
  // The first view docked beside the main view gets room of its own rather than the view's.
  QDockWidget* d = m_LiveViews->dock(v);
  if (widen && !d->isFloating()) {
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    resize(std::min(width() + std::max(d->sizeHint().width(), 360), screen.width()),
           std::min(std::max(height(), 640), screen.height()));
  }
}

void CMainFrame::OnSatellites() {
  toggleView(LiveViews::Satellites);
}

void CMainFrame::OnScatter() {
  toggleView(LiveViews::Scatter);
}

void CMainFrame::OnPosition() {
  toggleView(LiveViews::Position);
}

void CMainFrame::OnCorrections() {
  toggleView(LiveViews::Corrections);
}
