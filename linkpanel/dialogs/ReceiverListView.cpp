#include "dialogs/ReceiverListView.h"

#include <QHeaderView>

#include "dialogs/RowEditors.h"
#include "list/ReceiverRow.h"

namespace Kestrel {

ReceiverListView::ReceiverListView(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("ctl2000"));
  setColumnCount(1);
  setHeaderLabels({QStringLiteral("Name")});
  setRootIsDecorated(false);
  setUniformRowHeights(false);  // an open editor makes its row taller
  setSortingEnabled(true);
  sortByColumn(0, Qt::DescendingOrder);
  header()->setSectionsClickable(false);
  header()->setSortIndicatorShown(false);  // the order is fixed, not the user's choice
  header()->setStretchLastSection(true);
  connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* row) {
    if (!m_Local || row == m_EditedRow) return;
    if (CommitEdit()) openEditor(row);
  });
}

void ReceiverListView::Reset(bool local) {
  if (m_EditedRow) removeItemWidget(m_EditedRow, 0);
  m_EditedRow = nullptr;
  m_Editor = nullptr;
  clear();
  m_Local = local;
  setSelectionMode(local ? QAbstractItemView::SingleSelection : QAbstractItemView::ExtendedSelection);
}

namespace {
constexpr int kReceiverRole = Qt::UserRole;
}

std::string ReceiverListView::Receiver(const QTreeWidgetItem* row) {
  return row->data(0, kReceiverRole).toString().toStdString();
}

void ReceiverListView::setReceiver(QTreeWidgetItem* row, const std::string& text) {
  row->setData(0, kReceiverRole, QString::fromStdString(text));
  row->setText(0, QString::fromStdString(ShownRow(text)));
}

void ReceiverListView::AddRows(const std::vector<std::string>& rows) {
  for (const std::string& text : rows) {
    auto* row = new QTreeWidgetItem;
    setReceiver(row, text);
    insertTopLevelItem(0, row);
  }
  resizeColumnToContents(0);
}

QTreeWidgetItem* ReceiverListView::FindRow(const std::string& text) const {
  for (int i = 0; i < topLevelItemCount(); ++i)
    if (Receiver(topLevelItem(i)) == text) return topLevelItem(i);
  return nullptr;
}

void ReceiverListView::AddPortRow(const std::string& row) {
  if (!m_Local || FindRow(row)) return;
  AddRows({row});
}

void ReceiverListView::RemovePortRows(const std::string& devicePath, const std::string& byIdPath) {
  if (!m_Local) return;
  for (int i = topLevelItemCount() - 1; i >= 0; --i) {
    QTreeWidgetItem* row = topLevelItem(i);
    if (row == m_EditedRow) continue;
    const std::optional<ComRow> com = ParseComRow(Receiver(row));
    if (com && (com->port == devicePath || (!byIdPath.empty() && com->port == byIdPath)))
      delete takeTopLevelItem(i);
  }
}

bool ReceiverListView::CommitEdit() {
  if (!m_Editor) return true;
  const std::optional<std::string> text = m_Editor->Commit();
  if (!text) return false;
  QTreeWidgetItem* row = m_EditedRow;
  m_EditedRow = nullptr;
  m_Editor = nullptr;
  removeItemWidget(row, 0);
  setReceiver(row, *text);
  return true;
}

void ReceiverListView::ChooseRow(QTreeWidgetItem* row) {
  scrollToItem(row);
  setCurrentItem(row);
  setFocus();
  if (m_Local && row != m_EditedRow && CommitEdit()) openEditor(row);
}

std::vector<std::string> ReceiverListView::ChosenReceivers(QTreeWidgetItem* editedRow) const {
  if (editedRow) return {Receiver(editedRow)};
  std::vector<std::string> selected, all;
  for (int i = 0; i < topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = topLevelItem(i);
    all.push_back(Receiver(row));
    if (row->isSelected()) selected.push_back(all.back());
  }
  return selected.empty() ? all : selected;
}

void ReceiverListView::openEditor(QTreeWidgetItem* row) {
  RowEditor* editor = CreateRowEditor(Receiver(row), nullptr);
  if (!editor) return;
  m_EditedRow = row;
  m_Editor = editor;
  setItemWidget(row, 0, editor);
  scrollToItem(row);
  editor->FocusFirst();
}

}  // namespace Kestrel
