#pragma once
// "Download files" page of the file manager: the receiver's files, their download into the
// download folder (one transfer at a time, polled on a timer so the window stays live), and
// their deletion.
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "files/ReceiverFileList.h"

class CReceiver;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

class CDownloadFilesDlg : public QWidget {
  Q_OBJECT
 public:
  CDownloadFilesDlg(CReceiver* rcv, QWidget* parent = nullptr);
  // Shows the files; reads them from the receiver when the cache is empty.
  void ShowList();
  void EmptyCache() { m_CacheValid = false; }
  bool Busy() const { return m_Busy; }
  std::string OutputPath() const;

 signals:
  void statusText(const QString& text);
  // A download ended or a deletion changed the files: the owner restarts its refresh timer.
  void filesChanged(bool afterDownload);

 private:
  void onDownload();
  void onDelete();
  void startNext();
  void poll();
  void finishDownload(bool stopped);
  void setBusy(bool busy);

  CReceiver* m_Rcv;
  QTreeWidget* m_List;
  QLineEdit* m_BlockSize;
  QPushButton* m_DownloadButton;
  QPushButton* m_DeleteButton;
  QProgressBar* m_FileProgress;
  QProgressBar* m_TotalProgress;
  QTimer* m_Poll;

  bool m_CacheValid = false;
  std::vector<Files::ReceiverFile> m_Files;
  bool m_Busy = false;
  // The download in progress: chosen files left, the current one and the byte counts.
  std::vector<Files::ReceiverFile> m_Queue;
  Files::ReceiverFile m_Current;
  long long m_CurrentMissing = 0;
  long long m_TotalBytes = 0, m_DoneBytes = 0;
  qint64 m_StartedMs = 0;
};
