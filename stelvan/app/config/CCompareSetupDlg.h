#pragma once
// "Compare with a saved setup": the parameters whose receiver value differs from a setup script
// saved by "Save setup to a script"; the ticked ones are applied by their pages. Nothing is sent
// before "Apply". GUI thread only; the pages must be read before load().
#include <QDialog>
#include <vector>

#include "SetupCompare.h"

class CDialogRCV;
class ICommandSender;
class QLabel;
class QTableWidget;

class CCompareSetupDlg : public QDialog {
  Q_OBJECT
 public:
  CCompareSetupDlg(std::vector<CDialogRCV*> pages, ICommandSender& sender, QWidget* parent = nullptr);

  // Reads the script and lists the differences; false when the file cannot be read.
  bool load(const QString& file);
  QTableWidget* table() const { return table_; }
  const std::vector<SetupDifference>& differences() const { return differences_; }
  // Sends the ticked values; the first refusal is shown and returned ("" when all went through).
  QString applyTicked();

 private:
  std::vector<CDialogRCV*> pages_;
  ICommandSender& sender_;
  std::vector<SetupDifference> differences_;
  QTableWidget* table_;
  QLabel* status_;
};
