#include "files/CDownloadFilesDlg.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "files/FileSettings.h"
#include "files/TransferReports.h"
#include "gridlink/CReceiver.h"

namespace {

constexpr int kPollMs = 100;

QString text(const std::string& s) {
  return QString::fromLocal8Bit(s.c_str());
}

}  // namespace

CDownloadFilesDlg::CDownloadFilesDlg(CReceiver* rcv, QWidget* parent) : QWidget(parent), m_Rcv(rcv) {
  setObjectName("CDownloadFilesDlg");
  m_List = new QTreeWidget(this);
  m_List->setObjectName("fileList");
  m_List->setHeaderLabels({" Target name", "Name", "Sise", "Date", "Time"});
  m_List->setRootIsDecorated(false);
  m_List->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_List->setSortingEnabled(true);
  m_List->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  m_BlockSize = new QLineEdit(QString::number(Files::BlockSize()), this);
  m_BlockSize->setObjectName("blockSize");
  m_DownloadButton = new QPushButton("Download", this);
  m_DownloadButton->setObjectName("download");
  m_DeleteButton = new QPushButton("Delete", this);
  m_DeleteButton->setObjectName("delete");
  m_FileProgress = new QProgressBar(this);
  m_FileProgress->setObjectName("fileProgress");
  m_TotalProgress = new QProgressBar(this);
  m_TotalProgress->setObjectName("totalProgress");
  for (QProgressBar* bar : {m_FileProgress, m_TotalProgress}) {
    bar->setRange(0, 100);
    bar->hide();
  }
  m_TotalProgress->setFormat("All files: %p%");
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("Block size", this));
  row->addWidget(m_BlockSize);
  row->addStretch();
  row->addWidget(m_DownloadButton);
  row->addWidget(m_DeleteButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_List);
  layout->addLayout(row);
  layout->addWidget(m_FileProgress);
  layout->addWidget(m_TotalProgress);
  m_Poll = new QTimer(this);
  m_Poll->setInterval(kPollMs);
  connect(m_Poll, &QTimer::timeout, this, &CDownloadFilesDlg::poll);
  connect(m_DownloadButton, &QPushButton::clicked, this, &CDownloadFilesDlg::onDownload);
  connect(m_DeleteButton, &QPushButton::clicked, this, &CDownloadFilesDlg::onDelete);
}

std::string CDownloadFilesDlg::OutputPath() const {
  return Files::OutputPath();
}

void CDownloadFilesDlg::ShowList() {
  if (!m_CacheValid) {
    m_Files.clear();
    m_Rcv->SendCommand("print,/par/dev/blk/a/files");
    if (m_Rcv->SendCommand(Files::kFileListCommand))
      m_Files = Files::ParseFileList(m_Rcv->GetReplyString());
    else
      emit statusText(text(m_Rcv->GetReplyString()));
    m_CacheValid = true;
  }
  m_List->setSortingEnabled(false);
  m_List->clear();
  for (const Files::ReceiverFile& f : m_Files) {
    auto* item = new QTreeWidgetItem(m_List, {text(Files::LocalName(f.name)), text(f.name), text(f.size),
                                              text(Files::FileDate(f.time)), text(Files::FileTime(f.time))});
    item->setData(0, Qt::UserRole, text(f.name));
  }
  m_List->setSortingEnabled(true);
  m_List->sortByColumn(1, Qt::AscendingOrder);
}

void CDownloadFilesDlg::setBusy(bool busy) {
  m_Busy = busy;
  m_DownloadButton->setText(busy ? "Stop" : "Download");
  m_DeleteButton->setEnabled(!busy);
  m_BlockSize->setEnabled(!busy);
  m_FileProgress->setVisible(busy);
  // The total has a bar of its own only when it differs from the file's.
  m_TotalProgress->setVisible(busy && m_Queue.size() > 1);
}

void CDownloadFilesDlg::onDownload() {
  if (m_Busy) {
    m_Rcv->CancelDownload();
    m_Queue.clear();
    finishDownload(true);
    return;
  }
  m_Queue.clear();
  m_TotalBytes = m_DoneBytes = 0;
  for (int i = 0; i < m_List->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = m_List->topLevelItem(i);
    if (!item->isSelected()) continue;
    const std::string name = item->data(0, Qt::UserRole).toString().toStdString();
    for (const Files::ReceiverFile& f : m_Files)
      if (f.name == name) {
        m_Queue.push_back(f);
        m_TotalBytes += std::atoll(f.size.c_str());
      }
  }
  if (m_Queue.empty()) {
    emit statusText("Select files to download");
    return;
  }
  if (!Files::TransferReports::Attach(m_Rcv)) {
    emit statusText(text(m_Rcv->GetReplyString()));
    return;
  }
  setBusy(true);
  m_FileProgress->setValue(0);
  m_TotalProgress->setValue(0);
  startNext();
}

void CDownloadFilesDlg::startNext() {
  while (!m_Queue.empty()) {
    m_Current = m_Queue.front();
    m_Queue.erase(m_Queue.begin());
    const std::string localName = Files::LocalName(m_Current.name);
    const std::string path = (std::filesystem::path(Files::OutputPath()) / localName).string();
    std::error_code ec;
    long long present = 0;
    if (std::filesystem::exists(path, ec)) {
      const auto answer =
          QMessageBox::question(this, "Download files from receiver",
                                "The file\n" + text(path) + "\nalready exists. Do you wish to overwrite it?",
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      if (answer == QMessageBox::Cancel) break;
      if (answer == QMessageBox::Yes) std::filesystem::remove(path, ec);
      // No: the download resumes after the bytes already there.
      present = static_cast<long long>(std::filesystem::file_size(path, ec));
      if (ec) present = 0;
    }
    const unsigned block = static_cast<unsigned>(m_BlockSize->text().toUInt());
    Files::SetBlockSize(block);
    Files::TransferReports::Clear();
    if (!m_Rcv->DownloadFile(path.c_str(), m_Current.name.c_str(), Files::BlockSize())) {
      emit statusText(text(m_Rcv->GetReplyString()));
      m_DoneBytes += std::atoll(m_Current.size.c_str());
      continue;
    }
    m_CurrentMissing = std::max(0LL, std::atoll(m_Current.size.c_str()) - present);
    m_DoneBytes += std::atoll(m_Current.size.c_str()) - m_CurrentMissing;
    m_StartedMs = QDateTime::currentMSecsSinceEpoch();
    m_FileProgress->setFormat(text(m_Current.name) + ": %p%");
    emit statusText(text("Download file : " + m_Current.name + "  to  " + localName));
    m_Poll->start();
    poll();
    return;
  }
  finishDownload(false);
}

void CDownloadFilesDlg::poll() {
  DOWNLOADINFO info{};
  const int status = m_Rcv->GetDownloadStatus(info);
  const long long bytes = info.bytes;
  m_FileProgress->setValue(
      m_CurrentMissing > 0 ? static_cast<int>(std::min(100LL, bytes * 100 / m_CurrentMissing)) : 100);
  m_TotalProgress->setValue(
      m_TotalBytes > 0 ? static_cast<int>(std::min(100LL, (m_DoneBytes + bytes) * 100 / m_TotalBytes)) : 100);
  if (status == 0) return;
  m_Poll->stop();
  std::string result = Files::TransferReports::Closing();
  if (result.empty()) result = status == 1 ? "RE:Complete Downloading." : "ER:Download failed";
  if (status != 1) m_Rcv->CancelDownload();  // a local failure leaves the receiver's side running
  if (result.find("Aborted") == std::string::npos) {
    const double secs = std::max<double>(1.0, (QDateTime::currentMSecsSinceEpoch() - m_StartedMs) / 1000.0);
    char speed[64];
    std::snprintf(speed, sizeof speed, "%7.2f KBps", bytes / secs / 1000.0);
    result += " " + std::string(speed);
  }
  emit statusText(text(result));
  m_DoneBytes += m_CurrentMissing;
  startNext();
}

void CDownloadFilesDlg::finishDownload(bool stopped) {
  m_Poll->stop();
  if (stopped) emit statusText("Aborted by user!");
  Files::TransferReports::Detach(m_Rcv);
  setBusy(false);
  emit filesChanged(true);
}

void CDownloadFilesDlg::onDelete() {
  std::vector<std::string> chosen;
  for (int i = 0; i < m_List->topLevelItemCount(); ++i)
    if (m_List->topLevelItem(i)->isSelected())
      chosen.push_back(m_List->topLevelItem(i)->data(0, Qt::UserRole).toString().toStdString());
  if (chosen.empty()) {
    emit statusText("Select files to delete");
    return;
  }
  const QString question = QString("Do you really want to delete %1 file%2 from the receiver?")
                               .arg(chosen.size())
                               .arg(chosen.size() == 1 ? "" : "s");
  if (QMessageBox::question(this, "Deleting files from receiver", question,
                            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  std::string current;
  if (m_Rcv->SendCommand("print,/cur/log")) {
    const std::string reply = m_Rcv->GetReplyString();
    current = reply.size() > 5 ? reply.substr(5) : std::string();
  }
  if (chosen.size() == m_Files.size()) {
    if (!m_Rcv->SendCommand("remove,/log/")) emit statusText(text(m_Rcv->GetReplyString()));
  } else {
    for (const std::string& name : chosen) {
      if (!current.empty() && name == current &&
          QMessageBox::question(
              this, "Deleting files from receiver",
              text("'" + name + "' is the current log file.\nDo you really want to delete it?"),
              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        continue;
      if (!m_Rcv->SendCommand(("remove,\"/log/" + name + "\"").c_str())) {
        emit statusText(text(m_Rcv->GetReplyString()));
        break;
      }
    }
  }
  EmptyCache();
  ShowList();
  emit filesChanged(false);
}
