#pragma once
// "Select File": picks the folder where received message files go and from which files are
// sent.
#include <QFileDialog>

class CSelectFileDlg : public QFileDialog {
  Q_OBJECT
 public:
  CSelectFileDlg(const QString& start, QWidget* parent = nullptr);
  QString folder() const;
};
