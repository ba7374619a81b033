#pragma once
// "Message": the messages waiting on the remote server for the current user; reads, saves and
// deletes them and sends new ones (a text, or a file) to the users the server reports.
// Modeless; it uses only the connection's message operations and never the receiver.
//
// The connection belongs to the caller and must outlive the window. GUI thread only; the
// server-message callback reaches the window through queued calls of progressNotice and
// newMessageNotice. The window deletes itself when closed.
#include <QDialog>
#include <QString>

class CConnection;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

class CMessage : public QDialog {
  Q_OBJECT
 public:
  explicit CMessage(CConnection* conn, QWidget* parent = nullptr);
  ~CMessage() override;

  QString statusText() const;

 public slots:
  void getList();
  void send();
  void get();
  void remove();
  void browse();
  void cancel();
  // The connection's message text after a block or the end of a message transfer.
  void progressNotice(const QString& text);
  // The server told of a new message.
  void newMessageNotice();

 private:
  void loadUsers();
  void setStatus(const QString& text);
  void showConnectionText();
  void setSending(bool sending);
  QString folderSetting() const;
  bool onProgress(std::uint32_t done, std::uint32_t total);

  CConnection* m_Conn;
  QComboBox* m_ToUser;
  QLineEdit* m_Subject;
  QPlainTextEdit* m_Message;
  QLineEdit* m_Path;
  QTreeWidget* m_List;
  QProgressBar* m_Progress;
  QLabel* m_Status;
  QPushButton *m_Send, *m_GetList, *m_Get, *m_Delete, *m_Browse, *m_Cancel;
  double m_Expected = 0;  // bytes of the transfer in progress
  double m_Received = 0;
  bool m_GoOn = false;
  bool m_Sending = false;
};
