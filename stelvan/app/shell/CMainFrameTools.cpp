// The menu entries whose dialogs are not built yet. Each receiver dialog becomes
//   RunModalTool([this](CReceiver* rcv) { CSomeDialog dlg(rcv, this); dlg.exec(); });
// (Messages, About and Initialize File System as their commands say); until then they say so.
#include <QMessageBox>

#include "about/CAboutDlg.h"
#include "logging/CRealTimeLogging.h"
#include "plots/CSatellitesWnd.h"
#include "plots/CTrackWnd.h"
#include "query/CAnswerTable.h"
#include "shell/CCockpitApp.h"
#include "shell/CMainFrame.h"

void CMainFrame::notAvailableYet(const QString& what) {
  QMessageBox box(QMessageBox::Information, what, what + " is not available yet.", QMessageBox::Ok, this);
  box.setObjectName("notAvailableYet");
  box.exec();
}

void CMainFrame::OnFileManager() {
  RunModalTool([this](CReceiver*) { notAvailableYet("File Manager"); });
}

void CMainFrame::OnRealTimeLogging() {
  RunModalTool([this](CReceiver*) {
    logging::CRealTimeLogging dlg(QString::fromStdString(m_App.sessionInfo().portName), this);
    dlg.exec();
  });
}

void CMainFrame::OnReceiverConfiguration() {
  RunModalTool([this](CReceiver*) { notAvailableYet("Receiver configuration"); });
}

void CMainFrame::OnFirmwareLoader() {
  RunModalTool([this](CReceiver*) { notAvailableYet("Firmware Loader"); });
}

void CMainFrame::OnScatter() {
  RunModalTool([this](CReceiver*) { runTrackWindow(plots::CTrackWnd::Kind::Scatter); });
}

void CMainFrame::OnSatellites() {
  RunModalTool([this](CReceiver*) {
    const SessionInfo s = m_App.sessionInfo();
    plots::CSatellitesWnd wnd(this);
    wnd.start(m_App.Connection(), s.portName, s.model);
    wnd.exec();
  });
}

void CMainFrame::OnPosition() {
  RunModalTool([this](CReceiver*) { runTrackWindow(plots::CTrackWnd::Kind::Position); });
}

void CMainFrame::runTrackWindow(int kind) {
  const SessionInfo s = m_App.sessionInfo();
  plots::CTrackWnd wnd(static_cast<plots::CTrackWnd::Kind>(kind), this);
  wnd.start(m_App.Connection(), s.portName, s.model, std::make_pair(m_App.targetLat(), m_App.targetLon()));
  wnd.exec();
}

void CMainFrame::OnAbout() {
  about::CAboutDlg::QueryRunner runner;
  if (m_App.sessionRunning && m_App.IsReceiverPresent()) {
    runner = [this](const std::string& script, std::vector<std::optional<std::string>>& answers) {
      CReceiver* rcv = m_App.GetReceiver();
      CAnswerTable table;
      ReceiverCall call(m_ReceiverCalls);
      if (!rcv || !table.run(*rcv, script)) return false;
      for (int i = 0; i < table.lineCount() && i < CAnswerTable::kMaxAnswers; ++i) answers.push_back(table.answer(i));
      return true;
    };
  }
  about::CAboutDlg dlg(runner, this);
  dlg.exec();
}
