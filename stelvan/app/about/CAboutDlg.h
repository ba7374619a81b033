#pragma once
// The About box: the program's identity and, with a receiver session open, the receiver
// report read with one print script. "Copy" puts the report on the clipboard.
#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPlainTextEdit;
class QLabel;

namespace about {

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  // Runs a print script on the open session; answer i for print command i. False when
  // the script could not be sent at all.
  using QueryRunner =
      std::function<bool(const std::string& script, std::vector<std::optional<std::string>>& answers)>;

  // Without a runner (no session) the box shows only the program's identity.
  explicit CAboutDlg(QueryRunner runner = nullptr, QWidget* parent = nullptr);

  QString reportText() const;
  QLabel* identity() const { return identity_; }

  static QString productName() { return "Stelvan-P"; }

 private:
  void readReport(const QueryRunner& runner);

  QLabel* identity_;
  QPlainTextEdit* report_;
  QWidget* reportArea_;
};

}  // namespace about
