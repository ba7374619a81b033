#pragma once
// The receiver list of "Select Server and Receivers": one column "Name", sorted descending.
// On the local server one row at a time is chosen and a click opens the row's in-place editor;
// on a remote server several rows may be chosen and none is edited. GUI thread only.
#include <QTreeWidget>
#include <string>
#include <vector>

namespace Kestrel {

class RowEditor;

class ReceiverListView : public QTreeWidget {
 public:
  explicit ReceiverListView(QWidget* parent);

  // Empties the list (an open editor is dropped unsaved) and sets the mode.
  void Reset(bool local);
  bool Local() const { return m_Local; }
  void AddRows(const std::vector<std::string>& rows);
  QTreeWidgetItem* FindRow(const std::string& text) const;
  // Hot-plug: a port's row comes when it is plugged in (unless listed already), and the rows
  // naming a port that was pulled out go, except one being edited.
  void AddPortRow(const std::string& row);
  void RemovePortRows(const std::string& devicePath, const std::string& byIdPath);

  // Takes the open editor's text into its row and closes the editor; false (editor kept)
  // when the editor refuses its text. True when nothing was being edited.
  bool CommitEdit();
  QTreeWidgetItem* EditedRow() const { return m_EditedRow; }
  RowEditor* Editor() const { return m_Editor; }
  // Scrolls to the row, selects and focuses it, and opens its editor (local server).
  void ChooseRow(QTreeWidgetItem* row);
  // What OK connects to: the row being edited (whose edit must already be committed and is
  // passed in), else the selected rows, else every row, in list order.
  std::vector<std::string> ChosenReceivers(QTreeWidgetItem* editedRow) const;
  // The receiver string a row stands for; the row shows it with its secrets masked.
  static std::string Receiver(const QTreeWidgetItem* row);

 private:
  void openEditor(QTreeWidgetItem* row);
  static void setReceiver(QTreeWidgetItem* row, const std::string& text);

  bool m_Local = true;
  QTreeWidgetItem* m_EditedRow = nullptr;
  RowEditor* m_Editor = nullptr;
};

}  // namespace Kestrel
