#pragma once
// "Current log file" page: the receiver's own recording (current file, size, memory) and
// starting or stopping it into a new file.
#include <QWidget>

class CReceiver;
class QLabel;
class QLineEdit;
class QPushButton;

class CCurrentLogFileDlg : public QWidget {
  Q_OBJECT
 public:
  CCurrentLogFileDlg(CReceiver* rcv, QWidget* parent = nullptr);
  void Refresh();

 signals:
  void statusText(const QString& text);
  void filesChanged(bool afterNewFile);

 private:
  void onStartStop();
  bool start();
  QString answer(const char* command, bool& ok);

  CReceiver* m_Rcv;
  QLabel* m_File;
  QLabel* m_Size;
  QLabel* m_Memory;
  QLineEdit* m_Name;
  QLineEdit* m_Interval;
  QLineEdit* m_Mask;
  QPushButton* m_StartStop;
  bool m_Recording = false;
};
