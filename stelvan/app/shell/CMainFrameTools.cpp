// The menu entries that open a dialog of their own. Receiver dialogs borrow the session's
// receiver (RunReceiverDialog, RunModalTool): the session stops while they have it.
#include <QMessageBox>

#include "about/CAboutDlg.h"
#include "config/CReceiverCfgDlg.h"
#include "corrections/CCorrectionsDlg.h"
#include "corrections/OwnLinkDestination.h"
#include "files/CFileManager.h"
#include "files/CFirmwareLoaderDlg.h"
#include "gridlink/CReceiver.h"
#include "logging/CRealTimeLogging.h"
#include "query/CAnswerTable.h"
#include "shell/CCockpitApp.h"
#include "shell/CCockpitView.h"
#include "shell/CMainFrame.h"

void CMainFrame::notAvailableYet(const QString& what) {
  QMessageBox box(QMessageBox::Information, what, what + " is not available yet.", QMessageBox::Ok, this);
  box.setObjectName("notAvailableYet");
  box.exec();
}

void CMainFrame::OnFileManager() {
  RunReceiverDialog(
      [this](CReceiver* rcv) {
        CFileManager dlg(rcv, this);
        dlg.exec();
      },
      "File Manager");
}

void CMainFrame::OnRealTimeLogging() {
  RunModalTool(
      [this](CReceiver*) {
        logging::CRealTimeLogging dlg(QString::fromStdString(m_App.sessionInfo().portName), m_App.site, this);
        dlg.exec();
      },
      "Real-Time Logging");
}

void CMainFrame::OnReceiverConfiguration() {
  RunReceiverDialog(
      [this](CReceiver* rcv) {
        CReceiverCfgDlg dlg(rcv, this);
        // After a reset (a new Bluetooth name or pin) the dialog opens the receiver again the way
        // the session holds it.
        const std::string port = m_App.sessionInfo().portName;
        CConnection* conn = m_App.Connection();
        dlg.setReopen([rcv, conn, port] { return conn && rcv->Open(conn, port.c_str(), 0) == 1; });
        dlg.exec();
      },
      "Configuration");
}

void CMainFrame::OnFirmwareLoader() {
  RunReceiverDialog(
      [this](CReceiver* rcv) {
        CFirmwareLoaderDlg dlg(rcv, m_App.Connection(), this);
        dlg.exec();
      },
      "Firmware Loader");
}

void CMainFrame::OnAbout() {
  about::CAboutDlg::QueryRunner runner;
  if (m_App.session().state() == session::SessionState::Live) {
    runner = [this](const std::string& script, std::vector<std::optional<std::string>>& answers) {
      CReceiver* rcv = m_App.GetReceiver();
      CAnswerTable table;
      ReceiverCall call(m_ReceiverCalls);
      if (!rcv || !table.run(*rcv, script)) return false;
      for (int i = 0; i < table.lineCount() && i < CAnswerTable::kMaxAnswers; ++i)
        answers.push_back(table.answer(i));
      return true;
    };
  }
  about::CAboutDlg dlg(runner, this);
  dlg.exec();
}

void CMainFrame::OnCorrectionsInput() {
  if (!m_Corrections) {
    // Read on the GUI thread by the dialog's timer: the main view's latest position and solution.
    auto receiver = [this](Ntrip::GgaPosition& p, QString& solution) {
      const ViewTexts& t = m_View->texts();
      solution = m_App.sessionRunning() ? QString::fromStdString(t.solution) : QString();
      if (!m_App.sessionRunning() || !t.hasPosition) return false;
      constexpr double kDeg = 57.29577951308232;
      p = Ntrip::GgaPosition{t.lat * kDeg, t.lon * kDeg, t.height};
      return true;
    };
    // GUI thread, at Start: the live session's receiver, reached through the session's lease for
    // as long as that session lasts (across tools and a recovered link).
    auto ownLink = [this](std::string& error) -> std::unique_ptr<corrections::OwnLinkDestination> {
      CReceiver* rcv = m_App.sessionRunning() ? m_App.GetReceiver() : nullptr;
      if (!rcv) {
        error = "no receiver is connected: connect to the receiver first";
        return nullptr;
      }
      return std::make_unique<corrections::OwnLinkDestination>(m_App.session().lease(),
                                                               rcv->GetReceiverName());
    };
    m_Corrections = new corrections::CCorrectionsDlg(receiver, ownLink, this);
  }
  m_Corrections->show();
  m_Corrections->raise();
  m_Corrections->activateWindow();
}
