// The menu entries whose dialogs are not built yet. Each receiver dialog becomes
//   RunModalTool([this](CReceiver* rcv) { CSomeDialog dlg(rcv, this); dlg.exec(); });
// (Messages, About and Initialize File System as their commands say); until then they say so.
#include <QMessageBox>

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
  RunModalTool([this](CReceiver*) { notAvailableYet("Real-Time Logging"); });
}

void CMainFrame::OnReceiverConfiguration() {
  RunModalTool([this](CReceiver*) { notAvailableYet("Receiver configuration"); });
}

void CMainFrame::OnFirmwareLoader() {
  RunModalTool([this](CReceiver*) { notAvailableYet("Firmware Loader"); });
}

void CMainFrame::OnScatter() {
  RunModalTool([this](CReceiver*) { notAvailableYet("Scatter"); });
}

void CMainFrame::OnSatellites() {
  RunModalTool([this](CReceiver*) { notAvailableYet("Satellites"); });
}

void CMainFrame::OnPosition() {
  RunModalTool([this](CReceiver*) { notAvailableYet("Position"); });
}

void CMainFrame::OnAbout() {
  notAvailableYet("About Stelvan-P");
}
