#pragma once
// The firmware loader: sends a local file into the receiver's memory and either keeps it
// ("Upload File") or has the receiver load it as new firmware ("Firm.Update"). The transfer
// runs in Gridlink's thread; the dialog follows its reports on a timer. Uses the application's
// open receiver; with a remote connection the file first goes to the server.
#include <QDialog>
#include <string>

class CConnection;
class CReceiver;
class QFileSystemModel;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeView;

class CFirmwareLoaderDlg : public QDialog {
  Q_OBJECT
 public:
  // conn: the receiver's connection, needed only for a remote server (null: local).
  CFirmwareLoaderDlg(CReceiver* rcv, CConnection* conn = nullptr, QWidget* parent = nullptr);
  QString StatusText() const;
  bool Busy() const { return m_Mode != 0; }
  // Chooses a folder and a file in it (what the user does with the tree and the list).
  void SelectFile(const QString& folder, const QString& file);

 private:
  void showFolder(const QString& folder);
  void start(unsigned mode);
  void poll();
  void waitFirmware();
  void finish(const std::string& result);
  void setBusy(bool busy);

  CReceiver* m_Rcv;
  CConnection* m_Conn;
  QFileSystemModel* m_Folders;
  QTreeView* m_Tree;
  QListWidget* m_Files;
  QPushButton* m_Update;
  QPushButton* m_Upload;
  QPushButton* m_Exit;
  QProgressBar* m_Bar;
  QLabel* m_Status;
  QTimer* m_Poll;
  QTimer* m_FirmwareWait;

  unsigned m_Mode = 0;  // 1 upload, 4 firmware update, 0 idle
  std::string m_Name;
  long long m_Size = 0;
  int m_Tries = 0;
};
