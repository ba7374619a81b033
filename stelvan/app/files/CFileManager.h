#pragma once
// The file manager: the receiver's logged files (list, download, delete), its own recording,
// and the download folder, on three pages. Uses the application's open receiver; long work
// runs in Gridlink's threads and is polled, so the window stays live.
#include <QDialog>

class CReceiver;
class CCurrentLogFileDlg;
class CDownloadFilesDlg;
class CDownloadPathDlg;
class QLabel;
class QTabWidget;
class QTimer;

class CFileManager : public QDialog {
  Q_OBJECT
 public:
  explicit CFileManager(CReceiver* rcv, QWidget* parent = nullptr);
  CDownloadFilesDlg* DownloadPage() const { return m_Download; }
  QString StatusText() const;

 protected:
  void reject() override;

 private:
  void refresh();
  void restartTimer(bool longPause);

  CReceiver* m_Rcv;
  QTabWidget* m_Tabs;
  CDownloadFilesDlg* m_Download;
  CCurrentLogFileDlg* m_CurrentLog;
  CDownloadPathDlg* m_Path;
  QLabel* m_Status;
  QTimer* m_Refresh;
};
