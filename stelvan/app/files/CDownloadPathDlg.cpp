#include "files/CDownloadPathDlg.h"

#include <QFileSystemModel>
#include <QTreeView>
#include <QVBoxLayout>

#include "files/FileSettings.h"

CDownloadPathDlg::CDownloadPathDlg(QWidget* parent) : QWidget(parent) {
  setObjectName("CDownloadPathDlg");
  m_Model = new QFileSystemModel(this);
  m_Model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  m_Model->setRootPath("/");
  m_Tree = new QTreeView(this);
  m_Tree->setObjectName("folderTree");
  m_Tree->setModel(m_Model);
  for (int c = 1; c < m_Model->columnCount(); ++c) m_Tree->hideColumn(c);
  const QModelIndex current = m_Model->index(QString::fromLocal8Bit(Files::OutputPath().c_str()));
  m_Tree->setCurrentIndex(current);
  m_Tree->scrollTo(current);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_Tree);
  connect(m_Tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& index) {
            const QString path = m_Model->filePath(index);
            Files::SetOutputPath(path.toStdString());
            emit statusText(path);
          });
}
