#include "messages/CSelectFileDlg.h"

CSelectFileDlg::CSelectFileDlg(const QString& start, QWidget* parent)
    : QFileDialog(parent, "Select File", start) {
  setObjectName("CSelectFileDlg");
  setFileMode(QFileDialog::Directory);
  setOption(QFileDialog::ShowDirsOnly, true);
}

QString CSelectFileDlg::folder() const {
  const QStringList chosen = selectedFiles();
  return chosen.isEmpty() ? QString() : chosen.front();
}
