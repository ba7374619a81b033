#pragma once
// The file-system dialog: initialises the receiver's file system, follows its progress on a
// timer and reports the file system's state. Uses the application's open receiver.
#include <QDialog>
#include <string>

class CReceiver;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

class CFormat : public QDialog {
  Q_OBJECT
 public:
  explicit CFormat(CReceiver* rcv, QWidget* parent = nullptr);
  // Starts the initialisation (the caller has asked the user to confirm it).
  void Start();
  QString Report() const;
  QString StatusText() const;

 protected:
  void reject() override;

 private:
  void poll();
  void finish();
  void saveReport();

  CReceiver* m_Rcv;
  QLabel* m_Progress;
  QProgressBar* m_Bar;
  QLabel* m_Status;
  QPlainTextEdit* m_Report;
  QPushButton* m_Save;
  QTimer* m_Timer;
  std::string m_ReportText;  // with its CR LF line ends, as saved
};
