// The main frame's commands: connect, disconnect, the session start and stop, the modal-tool
// routine, Set Satellite Time, Reset Receiver / Clear NVRAM, Initialize File System, Messages,
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
  if (m_App.connecting || m_App.sessionRunning) return;
  m_App.connecting = true;
  updateActions();
  CONNECTION_INFO info;
  if (!Kestrel::GetServerAndRcvList(info) || info.receivers.empty()) {
    SetStatusText("Select receiver!");
    m_App.connecting = false;
    updateActions();
    return;
  }
  ConnectWith(info);
}

void CMainFrame::ConnectWith(const CONNECTION_INFO& info) {
  m_App.connecting = true;
  m_App.setConnectionInfo(info);
  m_App.openInManual = info.manualModeOnly;
  // A serial receiver may take a while to find (line-speed search): offer the Stop button.
  if (!info.receivers.empty() && info.receivers.front().rfind("COM", 0) == 0) m_View->ShowStopButton(true);
  StartSession();
}

void CMainFrame::StartSession() {
  m_LastElapsed = ~0u;
  m_View->StartSession();
  updateActions();
}

void CMainFrame::StopSession() {
  if (!m_App.sessionRunning || !m_App.Connection()) return;
  m_App.sessionRunning = false;
  m_App.connecting = true;
  m_View->StopSessionThread();
  m_View->ClearDisplay();
  SetStatusText("Disconnected");
  UpdateTitle(false);
  m_Panes[2]->clear();
  m_App.connecting = false;
  updateActions();
}

void CMainFrame::Disconnect() {
  StopSession();
  m_App.DeleteConnection();
  updateActions();
}

void CMainFrame::OnDisconnect() {
  Disconnect();
}

void CMainFrame::onDropConnection() {
  // Events are dispatched inside waits on the receiver; the connection cannot go while such a
  // wait (or a session stop) is under way, so the drop comes back once it is over.
  if (m_ReceiverCalls > 0 || m_View->Stopping()) {
    QTimer::singleShot(100, this, &CMainFrame::onDropConnection);
    return;
  }
  // Posted by a session thread that is ending; it must be gone before its connection.
  m_View->StopSessionThread();
  m_App.DeleteConnection();
  m_View->ShowStopButton(false);
  updateActions();
}

void CMainFrame::onStopAndDrop() {
  if (m_ReceiverCalls > 0 || m_View->Stopping()) {
    QTimer::singleShot(100, this, &CMainFrame::onStopAndDrop);
    return;
  }
  StopSession();
  onDropConnection();
}

void CMainFrame::sendToReceiver(const char* command) {
  const ReceiverCall busy(m_ReceiverCalls);
  CReceiver* rcv = m_App.GetReceiver();
  CConnection* conn = m_App.Connection();
  // The session thread closes the receiver when it stops; open it for the command alone.
  if (conn && !rcv->SendCommand(command) && rcv->Open(conn, m_App.sessionInfo().portName.c_str(), 0)) {
    rcv->SendCommand(command);
    rcv->Close(false);
  }
}

void CMainFrame::restartAfterTool() {
  if (m_App.openInManual) {
    m_App.CloseReceiver();
  } else if (m_App.Connection()) {
    m_App.sessionRunning = false;
    m_App.connecting = true;
    StartSession();
  }
  m_App.openInManual = false;
  raise();
  activateWindow();
  updateActions();
}

void CMainFrame::RunModalTool(const std::function<void(CReceiver*)>& tool) {
  StopSession();
  sendToReceiver("%%dm");
  hide();
  {
    const ReceiverCall busy(m_ReceiverCalls);
    tool(m_App.GetReceiver());
  }
  show();
  restartAfterTool();
}

void CMainFrame::OnManualMode() {
  StopSession();
  if (!m_App.openInManual) sendToReceiver("%%dm");
  hide();
  CConnection* conn = m_App.Connection();
  CReceiver* rcv = m_App.GetReceiver();
  if (conn && rcv && rcv->Open(conn, m_App.sessionInfo().portName.c_str(), 0) == 1) {
    const ReceiverCall busy(m_ReceiverCalls);
    CManualMode dlg(rcv, this);
    dlg.exec();
    // "Disconnect" in manual mode closed the receiver: the session is not taken up again.
    if (dlg.disconnectRequested()) m_App.openInManual = true;
    rcv->Close(false);
  } else if (rcv) {
    SetStatusText(QString::fromStdString(rcv->GetReplyString()));
  }
  show();
  restartAfterTool();
}

void CMainFrame::OnSetSatelliteTime() {
  const ReceiverCall busy(m_ReceiverCalls);
  CReceiver* rcv = m_App.GetReceiver();
  if (!rcv->SendCommand("print,/par/time/utc/")) return;
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
  CConnection* conn = m_App.Connection();
  if (!conn) return;
  StopSession();
  const ReceiverCall busy(m_ReceiverCalls);
  hide();
  const int timeout = conn->GetTimeout();
  const std::string port = m_App.sessionInfo().portName;
  CReceiver* rcv = m_App.GetReceiver();
  if (!rcv->Open(conn, port.c_str(), 0)) {
    SetStatusText(QString::fromStdString(rcv->GetReplyString()));
  } else {
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
    m_App.CloseReceiver();
    PumpingWait::Sleep(7999);
    rcv = m_App.GetReceiver();
    bool back = false;
    for (int attempt = 0; attempt < (clearNvram ? 20 : 10) && !back; ++attempt) {
      PumpingWait::Sleep(899);
      back = rcv->Open(conn, port.c_str(), 0) != 0;
    }
    wait.hide();
    QMessageBox::information(
        this, caption,
        back ? (clearNvram ? "The NVRAM has been cleared!" : "The receiver has been reset!")
             : "The receiver didn't reply!");
  }
  show();
  conn->SetTimeout(static_cast<unsigned>(timeout));
  m_App.sessionRunning = false;
  m_App.connecting = true;
  StartSession();
}

void CMainFrame::OnInitializeFileSystem() {
  if (QMessageBox::question(
          this, "Initialize File System",
          "This operation will erase all the files inside the receiver.\nIt may take up to 10 "
          "minutes, depending on the receiver memory size.\nDo you really wish to continue?",
          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  StopSession();
  hide();
  CConnection* conn = m_App.Connection();
  CReceiver* rcv = m_App.GetReceiver();
  if (conn && rcv && rcv->Open(conn, m_App.sessionInfo().portName.c_str(), 0) == 1) {
    const ReceiverCall busy(m_ReceiverCalls);
    CFormat dlg(rcv, this);
    dlg.Start();
    dlg.exec();
    rcv->Close(false);
  }
  show();
  m_App.sessionRunning = false;
  m_App.connecting = true;
  StartSession();
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
  CReceiver* rcv = m_App.sessionRunning ? m_App.GetReceiver() : nullptr;
  const ReceiverCall busy(m_ReceiverCalls);
  CSiteDialog dlg(m_App.site, rcv, this);
  dlg.exec();
}

void CMainFrame::OnTargetPosition() {
  CTargetDialog dlg(m_App.targetLat(), m_App.targetLon(), m_App.sessionRunning.load(), this);
  connect(&dlg, &CTargetDialog::positionWanted, &dlg, [this, &dlg] {
    double lat = 0, lon = 0;
    if (m_View->LastPosition(lat, lon)) dlg.setPosition(lat, lon);
  });
  if (dlg.exec() == QDialog::Accepted) m_App.setTarget(dlg.lat(), dlg.lon());
}
