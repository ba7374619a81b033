#pragma once
// "Download path" page: a folder tree; the chosen folder becomes the download folder.
#include <QWidget>

class QFileSystemModel;
class QTreeView;

class CDownloadPathDlg : public QWidget {
  Q_OBJECT
 public:
  explicit CDownloadPathDlg(QWidget* parent = nullptr);

 signals:
  void statusText(const QString& text);

 private:
  QFileSystemModel* m_Model;
  QTreeView* m_Tree;
};
