// The main frame's commands: connect, disconnect, the session's state and server events, the
// tools' borrowing of the receiver, Set Satellite Time, Reset Receiver / Clear NVRAM, Initialize File System, Messages,
// Manual Mode, Site and Target.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include "files/CFormat.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "manual/CManualMode.h"
#include "messages/CMessage.h"
#include "shell/CCockpitApp.h"
#include "shell/CCockpitView.h"
#include "shell/CMainFrame.h"
#include "shell/PumpingWait.h"
#include "shell/SatelliteClock.h"
#include "site/CSiteDialog.h"
#include "site/CTargetDialog.h"

void CMainFrame::OnConnection() {
  if (m_App.session().state() != session::SessionState::Idle) return;
  CONNECTION_INFO info;
  if (!Kestrel::GetServerAndRcvList(info) || info.receivers.empty()) {
    SetStatusText("Select receiver!");
    updateActions();
    return;
  }
  ConnectWith(info);
}

void CMainFrame::ConnectWith(const CONNECTION_INFO& info) {
  m_LastElapsed = ~0u;
  if (!m_App.session().connect(CCockpitApp::TargetOf(info))) return;
  // A serial receiver may take a while to find (line-speed search): offer the Stop button.
  if (!info.receivers.empty() && info.receivers.front().rfind("COM", 0) == 0) m_View->ShowStopButton(true);
  updateActions();
}

void CMainFrame::Disconnect() {
  m_App.session().disconnect();
  m_View->ClearDisplay();
  UpdateTitle(false);
  m_Panes[2]->clear();
  updateActions();
}

void CMainFrame::OnDisconnect() {
  Disconnect();
}

void CMainFrame::onSessionState(int from, int to) {
  using session::SessionState;
  const auto was = static_cast<SessionState>(from), now = static_cast<SessionState>(to);
  if (was == SessionState::Connecting) m_View->ShowStopButton(false);
  if (now == SessionState::Connecting) m_LastElapsed = ~0u;
  if (now == SessionState::Idle || now == SessionState::ToolHoldsReceiver) {
    m_View->ClearDisplay();
    UpdateTitle(false);
    m_Panes[2]->clear();
  }
  // A lost receiver: the session posts the lost title and its reason; the session time stops
  // (onTimer counts only a running session) and starts over once the receiver is back.
  if (now == SessionState::Reconnecting) {
    m_View->ClearDisplay();
    m_Panes[2]->clear();
  }
  if (was == SessionState::Reconnecting) m_LastElapsed = ~0u;
  if (now == SessionState::Idle) onDropConnection();
  // A session opened for manual mode only goes straight to it.
  if (was == SessionState::Connecting && now == SessionState::ManualOnly) OnManualMode();
  updateActions();
}

void CMainFrame::onServerEvent(int code, const QString& text) {
  switch (code) {
    case 246:
      break;
    case 251:
      if (m_Messages) m_Messages->progressNotice(text);
      break;
    case 247:
    case 253:
    case 255:
      // The server link ended: the session thread or the tool's return logs in again (or ends
      // a local session); with neither (manual mode only) it ends here.
      if (m_App.session().state() == session::SessionState::ManualOnly) Disconnect();
      SetStatusText(text);
      break;
    case 248: {
      const qsizetype eq = text.indexOf('=');
      if (eq >= 0) SetStatusText(text.mid(eq + 1).trimmed());
      break;
    }
    case 254:
      m_App.newMessage = true;
      OnMessage();
      break;
    default:
      SetStatusText("ER:Unknown Message!");
  }
}

void CMainFrame::onDropConnection() {
  // Events are dispatched inside waits on the receiver; the connection cannot go while such a
  // wait (or a session stop, or a tool) is under way, so the drop comes back once it is over.
  if (m_ReceiverCalls > 0 || m_App.session().busy()) {
    QTimer::singleShot(100, this, &CMainFrame::onDropConnection);
    return;
  }
  if (m_App.session().state() == session::SessionState::Idle) m_App.session().dropConnection();
  updateActions();
}

bool CMainFrame::borrowReceiver(const std::function<void(CReceiver*)>& tool, bool open,
                                const std::string& name) {
  using Mode = session::ReceiverSession::BorrowMode;
  hide();
  session::ReceiverSession::BorrowResult result;
  {
    const ReceiverCall busy(m_ReceiverCalls);
    result = m_App.session().borrowReceiver(tool, open ? Mode::OpenReceiver : Mode::ReceiverClosed, name);
  }
  show();
  raise();
  activateWindow();
  updateActions();
  if (result == session::ReceiverSession::BorrowResult::OpenFailed)
    QMessageBox::warning(this, CCockpitApp::kAppName, QString::fromStdString(m_App.session().lastError()));
  return result == session::ReceiverSession::BorrowResult::Ran;
}

bool CMainFrame::RunModalTool(const std::function<void(CReceiver*)>& tool, const std::string& name) {
  return borrowReceiver(tool, false, name);
}

bool CMainFrame::RunReceiverDialog(const std::function<void(CReceiver*)>& dialog, const std::string& name) {
  return borrowReceiver(dialog, true, name);
}

void CMainFrame::OnManualMode() {
  if (m_App.session().state() == session::SessionState::ToolHoldsReceiver) return;
  hide();
  session::ReceiverSession::BorrowResult result;
  {
    const ReceiverCall busy(m_ReceiverCalls);
    result = m_App.session().borrowReceiver(
        [this](CReceiver* rcv) {
          CManualMode dlg(rcv, this);
          dlg.exec();
          // "Disconnect" in manual mode ends the session once the dialog has given the receiver back.
          if (dlg.disconnectRequested()) m_App.session().disconnect();
        },
        session::ReceiverSession::BorrowMode::OpenReceiver, "Manual mode");
  }
  if (result == session::ReceiverSession::BorrowResult::OpenFailed)
    SetStatusText(QString::fromStdString(m_App.session().lastError()));
  show();
  raise();
  activateWindow();
  updateActions();
}

void CMainFrame::OnSetSatelliteTime() {
  const ReceiverCall busy(m_ReceiverCalls);
  CReceiver* rcv = m_App.GetReceiver();
  if (!rcv || !rcv->SendCommand("print,/par/time/utc/")) return;
  const std::string reply = rcv->GetReplyString();
  SatelliteClock::Utc utc;
  if (!SatelliteClock::Parse(reply, utc)) return;
  std::string error;
  if (!SatelliteClock::SetSystemClock(utc, error)) {
    QMessageBox::warning(this, "Set time", QString::fromStdString(error));
    return;
  }
  const std::string shown = reply.size() > 13 ? reply.substr(6, reply.size() - 13) : std::string();
  QMessageBox::information(this, "Set time", "Satellite time is set\n" + QString::fromStdString(shown));
}

void CMainFrame::OnResetReceiver() {
  resetReceiver(false);
}

void CMainFrame::OnClearNvram() {
  resetReceiver(true);
}

void CMainFrame::resetReceiver(bool clearNvram) {
  const QString question =
      clearNvram
          ? "After clearing NVRAM the receiver will require\nsome time to re-collect data needed to track "
            "satellites.\nPush OK to proceed, Cancel to abort."
          : "After resetting the receiver will require\nsome time to re-collect data needed to track "
            "satellites.\nPush OK to proceed, Cancel to abort.";
  const QString caption = clearNvram ? "Clear NVRAM" : "Reset Receiver";
  if (QMessageBox::question(this, caption, question, QMessageBox::Ok | QMessageBox::Cancel) !=
      QMessageBox::Ok)
    return;
  RunReceiverDialog([this, clearNvram, caption](CReceiver* rcv) { runReset(rcv, clearNvram, caption); },
                    caption.toStdString());
}

// The reset itself, with the receiver lent open: the command, the receiver's silence while it
// restarts, then as many attempts to open it again as the receiver may need.
void CMainFrame::runReset(CReceiver* rcv, bool clearNvram, const QString& caption) {
  CConnection* conn = m_App.Connection();
  const int timeout = conn->GetTimeout();
  const std::string port = m_App.sessionInfo().portName;
  QLabel wait("Please, wait while Stelvan is querying receiver\n parameters");
  wait.setObjectName("waitWindow");
  wait.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  wait.setMargin(16);
  wait.adjustSize();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  wait.setGeometry(CenterRect(wait.geometry(), screen, screen));
  wait.show();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  conn->SetTimeout(150);
  rcv->SendCommand(clearNvram ? "%%init,/dev/nvm/a" : "%%set,reset,yes");
  rcv->Close(false);
  PumpingWait::Sleep(7999);
  bool back = false;
  for (int attempt = 0; attempt < (clearNvram ? 20 : 10) && !back; ++attempt) {
    PumpingWait::Sleep(899);
    back = rcv->Open(conn, port.c_str(), 0) != 0;
  }
  wait.hide();
  conn->SetTimeout(static_cast<unsigned>(timeout));
  QMessageBox::information(
      this, caption,
      back ? (clearNvram ? "The NVRAM has been cleared!" : "The receiver has been reset!")
           : "The receiver didn't reply!");
}

void CMainFrame::OnInitializeFileSystem() {
  if (QMessageBox::question(
          this, "Initialize File System",
          "This operation will erase all the files inside the receiver.\nIt may take up to 10 "
          "minutes, depending on the receiver memory size.\nDo you really wish to continue?",
          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  RunReceiverDialog(
      [this](CReceiver* rcv) {
        CFormat dlg(rcv, this);
        dlg.Start();
        dlg.exec();
      },
      "Initialize File System");
}

void CMainFrame::OnMessage() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  PumpingWait::Sleep(2000);
  if (m_Messages) {
    m_Messages->newMessageNotice();
    m_Messages->raise();
    m_Messages->activateWindow();
    return;
  }
  CConnection* conn = m_App.Connection();
  if (!conn || conn->isLocalServerConn()) {
    SetStatusText("Use with remote server");
    return;
  }
  // One Messages window at a time; it deletes itself when closed.
  m_Messages = new CMessage(conn, this);
  m_Messages->show();
  m_Messages->raise();
  m_Messages->activateWindow();
}

void CMainFrame::OnSite() {
  CReceiver* rcv = m_App.GetReceiver();
  const ReceiverCall busy(m_ReceiverCalls);
  CSiteDialog dlg(m_App.site, rcv, this);
  dlg.exec();
}

void CMainFrame::OnTargetPosition() {
  CTargetDialog dlg(m_App.targetLat(), m_App.targetLon(), m_App.sessionRunning(), this);
  connect(&dlg, &CTargetDialog::positionWanted, &dlg, [this, &dlg] {
    double lat = 0, lon = 0;
    if (m_View->LastPosition(lat, lon)) dlg.setPosition(lat, lon);
  });
  if (dlg.exec() == QDialog::Accepted) m_App.setTarget(dlg.lat(), dlg.lon());
}
