#include "shell/CMainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "gridlink/CConnection.h"
#include "gridlink/CProfile.h"
#include "gridlink/platform/Clock.h"
#include "icon/ProgramIcon.h"
#include "linkpanel/Linkpanel.h"
#include "shell/CCockpitApp.h"
#include "shell/CCockpitView.h"
#include "messages/CMessage.h"
#include "shell/DisplayFormat.h"
#include "shell/LiveViews.h"
#include "shell/StatusPane.h"
#include "shell/TrafficLogSetting.h"

namespace {

constexpr int kBaseWidth = 308, kMaxWidth = 328, kBaseHeight = 340;

QRect screenRect() {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

CMainFrame::CMainFrame(CCockpitApp& app, QWidget* parent) : QMainWindow(parent), m_App(app) {
  setObjectName("CMainFrame");
  // The window's sizes were drawn for 96 dpi and an 8-point sans font (about 6 by 13 pixels per
  // character); a larger screen font scales them as a higher resolution would.
  const QFontMetrics fm = fontMetrics();
  m_App.scaleX =
      std::max(static_cast<float>(logicalDpiX()) / 96.0f, static_cast<float>(fm.averageCharWidth()) / 6.0f);
  m_App.scaleY = std::max(static_cast<float>(logicalDpiY()) / 96.0f, static_cast<float>(fm.height()) / 13.0f);
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  setWindowIcon(ProgramIcon());
  m_View = new CCockpitView(app, this);
  setCentralWidget(m_View);
  buildMenu();
  buildStatusBar();
  const QSize content = minimumSizeHint();
  m_ContentWidth = content.width();
  setMinimumHeight(std::max(static_cast<int>(kBaseHeight * m_App.scaleX), content.height()));
  fitWidthBand();
  buildLiveViews();
  restoreGeometry();

  m_Tray = new QSystemTrayIcon(ProgramIcon(), this);
  m_Tray->setToolTip(CCockpitApp::kAppName);
  connect(m_Tray, &QSystemTrayIcon::activated, this, [this] {
    m_Tray->hide();
    showNormal();
    activateWindow();
  });

  connectSession();

  m_Timer = new QTimer(this);
  m_Timer->setObjectName("timer1");
  m_Timer->setInterval(1000);
  connect(m_Timer, &QTimer::timeout, this, &CMainFrame::onTimer);
  m_Timer->start();
  UpdateTitle(false);
  updateActions();
}

CMainFrame::~CMainFrame() {
  m_LiveViews->detach();
  m_App.session().abortConnect();
  m_App.session().disconnect();
}

void CMainFrame::connectSession() {
  m_App.session().setPump([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
  m_App.session().setTlsTrust(&Kestrel::AskTlsTrust);
  // Queued even from this thread: a state change is taken up after the call that made it.
  connect(m_View, &CCockpitView::sessionState, this, &CMainFrame::onSessionState, Qt::QueuedConnection);
  connect(m_View, &CCockpitView::statusTextPosted, this, &CMainFrame::SetStatusText);
  connect(m_View, &CCockpitView::serverEventPosted, this, &CMainFrame::onServerEvent);
  connect(m_View, &CCockpitView::pagesChanged, this, [this] {
    fitWidthBand();
    updateWidthBand();
  });
  connect(m_View, &CCockpitView::titlePosted, this, [this](const QString& t) {
    UpdateTitle(true, t);
    updateActions();
  });
}

QAction* CMainFrame::addAction(QMenu* menu, const char* name, const QString& text, const QKeySequence& key,
                               const QString& prompt, void (CMainFrame::*slot)()) {
  QAction* a = menu->addAction(text);
  a->setObjectName(name);
  if (!key.isEmpty()) a->setShortcut(key);
  a->setStatusTip(prompt.section('\n', 0, 0));
  if (prompt.contains('\n')) a->setToolTip(prompt.section('\n', 1));
  connect(a, &QAction::triggered, this, slot);
  m_Actions[name] = a;
  return a;
}

void CMainFrame::buildMenu() {
  using K = QKeySequence;
  QMenu* file = menuBar()->addMenu("&File");
  addAction(file, "actionConnection", "&Connection\tCtrl+C", K("Ctrl+C"), "Open a new connection\nConnection",
            &CMainFrame::OnConnection);
  addAction(file, "actionDisconnect", "&Disconnect\tCtrl+D", K("Ctrl+D"),
            "Close the active connection\nDosconnect", &CMainFrame::OnDisconnect);
  addAction(file, "actionFileManager", "&File Manager\tCtrl+F", K("Ctrl+F"), "File manager",
            &CMainFrame::OnFileManager);
  addAction(file, "actionRealTimeLogging", "&Real-Time Logging\tCtrl+R", K(), "Real time logging",
            &CMainFrame::OnRealTimeLogging);
  addAction(file, "actionManualMode", "&Manual Mode\tCtrl+M", K("Ctrl+M"), "Manual mode",
            &CMainFrame::OnManualMode);
  file->addSeparator();
  addAction(file, "actionExit", "E&xit\tCtrl+X", K("Ctrl+X"), "Quit the application\nExit",
            &CMainFrame::OnExit);
  QMenu* config = menuBar()->addMenu("&Configuration");
  addAction(config, "actionReceiver", "Receiver\tCtrl+V", K("Ctrl+V"), "",
            &CMainFrame::OnReceiverConfiguration);
  addAction(config, "actionSite", "S&ite\tCtrl+I", K("Ctrl+I"), "Site Cofiguration", &CMainFrame::OnSite);
  addAction(config, "actionTargetPosition", "&Set Target Position\tCtrl+T", K("Ctrl+T"), "",
            &CMainFrame::OnTargetPosition);
  addAction(config, "actionSetSatelliteTime", "Set Satellite Time", K(), "Set time to PC from satellite",
            &CMainFrame::OnSetSatelliteTime);
  QMenu* tools = menuBar()->addMenu("&Tools");
  addAction(tools, "actionInitializeFileSystem", "Initialize File System", K(), "",
            &CMainFrame::OnInitializeFileSystem);
  addAction(tools, "actionClearNvram", "Clear NVRAM", K(), "", &CMainFrame::OnClearNvram);
  addAction(tools, "actionResetReceiver", "Reset Receiver", K(), "", &CMainFrame::OnResetReceiver);
  addAction(tools, "actionMessage", "Me&ssage\tCtrl+S", K("Ctrl+S"), "Messages from user",
            &CMainFrame::OnMessage);
  addAction(tools, "actionFirmwareLoader", "Firmware &Loader\tCtrl+L", K("Ctrl+L"), "Firmware Loader",
            &CMainFrame::OnFirmwareLoader);
  addAction(tools, "actionCorrectionsInput", "Corrections input", K(), "RTK corrections from an NTRIP caster",
            &CMainFrame::OnCorrectionsInput);
  TrafficLogSetting::AddMenuEntry(tools, this);
  QMenu* plot = menuBar()->addMenu("&Plot");
  addAction(plot, "actionScatter", "Scatter", K(), "", &CMainFrame::OnScatter);
  addAction(plot, "actionSatellites", "Satellites", K(), "", &CMainFrame::OnSatellites);
  addAction(plot, "actionPosition", "Position", K(), "", &CMainFrame::OnPosition);
  addAction(plot, "actionCorrections", "Corrections", K(), "RTCM 3 corrections the receiver sends",
            &CMainFrame::OnCorrections);
  QMenu* help = menuBar()->addMenu("&Help");
  addAction(help, "actionAbout", "&About Stelvan-P", K(), "", &CMainFrame::OnAbout);
  for (QMenu* m : {file, config, tools, plot, help})
    connect(m, &QMenu::aboutToShow, this, &CMainFrame::updateActions);
}

void CMainFrame::updateActions() {
  const session::SessionState state = m_App.session().state();
  const bool live = m_App.sessionRunning();
  const bool lost = state == session::SessionState::Reconnecting;
  const bool busy = state == session::SessionState::Connecting || state == session::SessionState::ToolHoldsReceiver;
  const bool remote = live && m_App.Connection() && !m_App.Connection()->isLocalServerConn();
  m_Actions["actionConnection"]->setEnabled(!busy && !live && !lost);
  for (const char* name :
       {"actionDisconnect", "actionFileManager", "actionRealTimeLogging", "actionManualMode",
        "actionReceiver", "actionSite", "actionTargetPosition", "actionSetSatelliteTime",
        "actionInitializeFileSystem", "actionClearNvram", "actionResetReceiver"})
    m_Actions[name]->setEnabled(live);
  updateViewActions();
  m_Actions["actionDisconnect"]->setEnabled(live || lost);  // Disconnect stops the retries
  m_Actions["actionMessage"]->setEnabled(m_App.newMessage || remote);
  m_Actions["actionFirmwareLoader"]->setEnabled(false);
}

QAction* CMainFrame::action(const char* name) const {
  const auto it = m_Actions.find(name);
  return it == m_Actions.end() ? nullptr : it->second;
}

void CMainFrame::buildStatusBar() {
  for (int i = 0; i < 3; ++i) {
    m_Panes[i] = i == 0 ? new StatusPane(this) : new QLabel(this);  // the status text may be long
    m_Panes[i]->setObjectName(QString("pane%1").arg(i));
  }
  const int paneWidth = fontMetrics().horizontalAdvance("00:00:00") + 8;
  m_Panes[1]->setMinimumWidth(paneWidth);
  m_Panes[2]->setMinimumWidth(paneWidth);
  statusBar()->addWidget(m_Panes[0], 1);
  statusBar()->addPermanentWidget(m_Panes[1]);
  statusBar()->addPermanentWidget(m_Panes[2]);
  m_Panes[0]->setText("Disconnected");
}

QString CMainFrame::paneText(int pane) const {
  return pane >= 0 && pane < 3 ? m_Panes[pane]->text() : QString();
}

void CMainFrame::SetStatusText(const QString& text) {
  m_Panes[0]->setText(text);
}

void CMainFrame::UpdateTitle(bool connected, const QString& connectedTitle) {
  setWindowTitle(connected ? connectedTitle : QString::fromStdString(session::ReceiverSession::IdleTitle()));
}

bool CMainFrame::ParseMainSize(const std::string& text, const QRect& screen, QRect& out) {
  int l = 0, t = 0, r = 0, b = 0;
  if (std::sscanf(text.c_str(), "%d %d %d %d", &l, &t, &r, &b) != 4) return false;
  const int w = screen.width(), h = screen.height();
  if (l < 0) l = 4;
  if (r > w) r = w - 4, l = w - 312;
  if (t < 0) t = 4;
  if (b > h) {
    const int height = b - t;
    b = h - 4;
    t = h - height - 4;
  }
  out = QRect(QPoint(l, t), QPoint(r - 1, b - 1));
  return true;
}

// The width is held in a narrow band, but never so narrow that text is cut.
void CMainFrame::fitWidthBand() {
  const int minWidth =
      std::max({static_cast<int>(kBaseWidth * m_App.scaleX), m_ContentWidth, m_View->TablesMinimumWidth()});
  m_MaxWidth = minWidth + static_cast<int>((kMaxWidth - kBaseWidth) * m_App.scaleX);
  m_View->setMaximumWidth(m_MaxWidth);
  setMinimumWidth(minWidth);
}

void CMainFrame::restoreGeometry() {
  QRect r(0, 0, static_cast<int>(kBaseWidth * m_App.scaleX), static_cast<int>(kBaseHeight * m_App.scaleY));
  CProfile* p = CProfile::Instance();
  ParseMainSize(p->Read("MainSize", "MainSize", ""), screenRect(), r);
  p->Release();
  setGeometry(r);
}

void CMainFrame::saveGeometry() {
  const QRect r = geometry();
  char text[64];
  std::snprintf(text, sizeof text, "%04d %04d %04d %04d", r.left(), r.top(), r.right() + 1, r.bottom() + 1);
  CProfile* p = CProfile::Instance();
  p->Write("MainSize", "MainSize", text);
  p->Release();
}

QRect CMainFrame::CenterRect(QRect r, const QRect& owner, const QRect& screen) {
  r.moveCenter(owner.center());
  if (r.left() < 0) r.moveLeft(4);
  if (r.top() < 0) r.moveTop(4);
  if (r.right() > screen.right()) r.moveRight(screen.right() - 4);
  if (r.bottom() > screen.bottom()) r.moveBottom(screen.bottom() - 4);
  return r;
}

void CMainFrame::onTimer() {
  updateActions();
  if (!m_App.sessionRunning()) return;
  const std::uint32_t seconds = (Platform::GetTickCount() - m_App.session().startTick()) / 1000;
  if (seconds != m_LastElapsed) {
    m_LastElapsed = seconds;
    m_Panes[2]->setText(QString::fromStdString(DisplayFormat::elapsed(seconds)));
  }
  m_Panes[1]->setText(QTime::currentTime().toString("HH:mm:ss"));
}

void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() &&
      QSystemTrayIcon::isSystemTrayAvailable()) {
    m_Tray->show();
    QTimer::singleShot(0, this, &QWidget::hide);
  }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!m_Closed && (m_ReceiverCalls > 0 || m_App.session().busy())) {
    // A close request that arrives inside a wait on the receiver is taken up after it.
    event->ignore();
    QTimer::singleShot(100, this, &QWidget::close);
    return;
  }
  if (!m_Closed) {
    m_Closed = true;
    // A session still connecting ends on the abort flag.
    m_App.session().abortConnect();
    if (m_App.session().state() != session::SessionState::Idle) Disconnect();
    saveGeometry();
    m_LiveViews->save();
    m_Tray->hide();
    m_App.SaveSettings();
    emit closed();
  }
  event->accept();
}

void CMainFrame::OnExit() {
  close();
}
