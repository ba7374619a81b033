#include "files/CFirmwareLoaderDlg.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <cstdio>

#include "files/FileSettings.h"
#include "files/FileSystemReport.h"
#include "files/TransferReports.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"

namespace {

constexpr int kPollMs = 20;
constexpr int kFirmwareTryMs = 1999;
constexpr int kFirmwareTries = 9;
constexpr long long kUploadBlock = 2048;  // the transfer's block size when the request names none

QString text(const std::string& s) {
  return QString::fromLocal8Bit(s.c_str());
}

bool progressCallback(std::uint32_t, std::uint32_t, std::uint32_t) {
  return true;
}

}  // namespace

CFirmwareLoaderDlg::CFirmwareLoaderDlg(CReceiver* rcv, CConnection* conn, QWidget* parent)
    : QDialog(parent), m_Rcv(rcv), m_Conn(conn) {
  setObjectName("CFirmwareLoaderDlg");
  setWindowTitle(text("Firmware loader to : " + rcv->GetReceiverName()));
  m_Folders = new QFileSystemModel(this);
  m_Folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  m_Folders->setRootPath("/");
  m_Tree = new QTreeView(this);
  m_Tree->setObjectName("folderTree");
  m_Tree->setModel(m_Folders);
  for (int c = 1; c < m_Folders->columnCount(); ++c) m_Tree->hideColumn(c);
  m_Files = new QListWidget(this);
  m_Files->setObjectName("fileList");
  m_Update = new QPushButton("Firm.Update", this);
  m_Update->setObjectName("update");
  m_Upload = new QPushButton("Upload File", this);
  m_Upload->setObjectName("upload");
  m_Exit = new QPushButton("Exit", this);
  m_Bar = new QProgressBar(this);
  m_Bar->setFormat("%p%");
  m_Bar->setRange(0, 100);
  m_Status = new QLabel(this);
  m_Status->setObjectName("status");
  m_Status->setFrameShape(QFrame::StyledPanel);
  auto* lists = new QHBoxLayout;
  lists->addWidget(m_Tree, 1);
  lists->addWidget(m_Files, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_Update);
  buttons->addWidget(m_Upload);
  buttons->addStretch();
  buttons->addWidget(m_Exit);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(lists);
  layout->addWidget(m_Bar);
  layout->addLayout(buttons);
  layout->addWidget(m_Status);
  resize(620, 400);
  m_Poll = new QTimer(this);
  m_Poll->setInterval(kPollMs);
  m_FirmwareWait = new QTimer(this);
  m_FirmwareWait->setInterval(kFirmwareTryMs);
  connect(m_Poll, &QTimer::timeout, this, &CFirmwareLoaderDlg::poll);
  connect(m_FirmwareWait, &QTimer::timeout, this, &CFirmwareLoaderDlg::waitFirmware);
  connect(m_Update, &QPushButton::clicked, this, [this] { Busy() ? finish("Aborted by user!") : start(4); });
  connect(m_Upload, &QPushButton::clicked, this, [this] { start(1); });
  connect(m_Exit, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_Tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) { showFolder(m_Folders->filePath(index)); });
  showFolder(text(Files::FirmwarePath()));
}

QString CFirmwareLoaderDlg::StatusText() const {
  return m_Status->text();
}

void CFirmwareLoaderDlg::showFolder(const QString& folder) {
  m_Files->clear();
  for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
    m_Files->addItem(f.fileName());
  m_Tree->setCurrentIndex(m_Folders->index(folder));
  m_Files->setProperty("folder", folder);
}

void CFirmwareLoaderDlg::SelectFile(const QString& folder, const QString& file) {
  showFolder(folder);
  const auto found = m_Files->findItems(file, Qt::MatchExactly);
  if (!found.isEmpty()) m_Files->setCurrentItem(found.first());
}

void CFirmwareLoaderDlg::setBusy(bool busy) {
  m_Update->setText(busy ? "Stop" : "Firm.Update");
  m_Upload->setEnabled(!busy);
  m_Exit->setEnabled(!busy);
  m_Update->setEnabled(!busy || m_Mode == 4 || m_Mode == 1);
}

void CFirmwareLoaderDlg::start(unsigned mode) {
  QListWidgetItem* item = m_Files->currentItem();
  if (!item) return;
  const QString folder = m_Files->property("folder").toString();
  Files::SetFirmwarePath(folder.toStdString());
  m_Name = item->text().toStdString();
  const std::string path = (folder + "/" + item->text()).toStdString();
  m_Size = QFileInfo(text(path)).size();
  m_Mode = mode;
  setBusy(true);
  m_Bar->setValue(0);
  m_Status->setText(text("Send file to server: " + m_Name));
  std::string serverPath = path;
  if (m_Conn && !m_Conn->isLocalServerConn()) {
    if (!m_Conn->SendFile(path.c_str(), m_Name.c_str(), progressCallback, 0)) {
      finish(m_Conn->GetReplyString());
      return;
    }
    serverPath = m_Name;
  }
  m_Status->setText(text("Open receiver: " + m_Rcv->GetReceiverName()));
  if (!Files::TransferReports::Attach(m_Rcv)) {
    finish(m_Rcv->GetReplyString());
    return;
  }
  m_Status->setText(text("Send file to receiver: " + m_Name));
  if (!m_Rcv->LoadFirmware(serverPath.c_str(), m_Name.c_str(), mode)) {
    finish(m_Rcv->GetReplyString());
    return;
  }
  m_Poll->start();
}

void CFirmwareLoaderDlg::poll() {
  const long long blocks = Files::TransferReports::UploadBlocks();
  const long long total = std::max(1LL, (m_Size + kUploadBlock - 1) / kUploadBlock);
  m_Bar->setValue(static_cast<int>(std::min(100LL, blocks * 100 / total)));
  const std::string closing = Files::TransferReports::Closing();
  if (closing.empty()) return;
  m_Poll->stop();
  if (m_Mode == 4 && closing.rfind("RE:Complete", 0) == 0) {
    m_Status->setText("Wait update firmware");
    m_Tries = 0;
    m_FirmwareWait->start();
    return;
  }
  finish(closing);
}

// The receiver restarts with the new firmware: wait until it answers and its file system is
// ready, then remove the uploaded file.
void CFirmwareLoaderDlg::waitFirmware() {
  if (++m_Tries > kFirmwareTries) {
    finish(m_Rcv->GetReplyString());
    return;
  }
  if (!m_Rcv->SendCommand("print,/par/stat/fsinit")) return;
  int total = 0, done = 0;
  if (Files::ParseFsInit(m_Rcv->GetReplyString(), total, done) && total != done && total != 0 && done != 0)
    return;
  m_Rcv->SendCommand(("%%remove,/log/" + m_Name).c_str());
  finish("Update firmware success!");
}

void CFirmwareLoaderDlg::finish(const std::string& result) {
  const bool stopped = result == "Aborted by user!";
  if (stopped && m_Poll->isActive()) {
    m_Rcv->CancelDownload();
    if (m_Mode == 4) m_Rcv->SendCommand(("remove,/log/" + m_Name).c_str());
  }
  m_Poll->stop();
  m_FirmwareWait->stop();
  Files::TransferReports::Detach(m_Rcv);
  m_Mode = 0;
  setBusy(false);
  m_Status->setText(text(result));
}
