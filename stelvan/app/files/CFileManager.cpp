#include "files/CFileManager.h"

#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "files/CCurrentLogFileDlg.h"
#include "files/CDownloadFilesDlg.h"
#include "files/CDownloadPathDlg.h"
#include "gridlink/CReceiver.h"

namespace {
constexpr int kRefreshMs = 1000;
constexpr int kRefreshAfterChangeMs = 10000;
}  // namespace

CFileManager::CFileManager(CReceiver* rcv, QWidget* parent) : QDialog(parent), m_Rcv(rcv) {
  setObjectName("CFileManager");
  setWindowTitle(QString::fromLocal8Bit(("File manager to : " + rcv->GetReceiverName()).c_str()));
  m_Tabs = new QTabWidget(this);
  m_Download = new CDownloadFilesDlg(rcv, m_Tabs);
  m_CurrentLog = new CCurrentLogFileDlg(rcv, m_Tabs);
  m_Path = new CDownloadPathDlg(m_Tabs);
  m_Tabs->addTab(m_Download, "Download files");
  m_Tabs->addTab(m_CurrentLog, "Current log file");
  m_Tabs->addTab(m_Path, "Download path");
  m_Status = new QLabel(this);
  m_Status->setObjectName("status");
  m_Status->setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_Tabs);
  layout->addWidget(m_Status);
  resize(640, 440);
  for (auto* page : {static_cast<QObject*>(m_Download), static_cast<QObject*>(m_CurrentLog),
                     static_cast<QObject*>(m_Path)})
    connect(page, SIGNAL(statusText(QString)), m_Status, SLOT(setText(QString)));
  connect(m_Download, &CDownloadFilesDlg::filesChanged, this, [this](bool after) { restartTimer(after); });
  connect(m_CurrentLog, &CCurrentLogFileDlg::filesChanged, this, [this](bool after) {
    m_Download->EmptyCache();
    m_Download->ShowList();
    restartTimer(after);
  });
  m_Refresh = new QTimer(this);
  connect(m_Refresh, &QTimer::timeout, this, &CFileManager::refresh);
  m_Download->ShowList();
  m_CurrentLog->Refresh();
  restartTimer(false);
}

QString CFileManager::StatusText() const {
  return m_Status->text();
}

void CFileManager::restartTimer(bool longPause) {
  m_Refresh->start(longPause ? kRefreshAfterChangeMs : kRefreshMs);
}

void CFileManager::refresh() {
  // No receiver traffic while a download owns the link.
  if (m_Download->Busy()) return;
  if (m_Tabs->currentWidget() == m_CurrentLog) m_CurrentLog->Refresh();
  if (m_Refresh->interval() != kRefreshMs) m_Refresh->start(kRefreshMs);
}

void CFileManager::reject() {
  if (m_Download->Busy()) m_Rcv->CancelDownload();
  QDialog::reject();
}
