#pragma once
// "Datum Parameters": shows the current datum and, for the datums a user may define, lets
// their parameters be changed and sent. Modal on the configuration dialog; GUI thread only.
#include <QDialog>
#include <array>

#include "DatumParams.h"

class QLabel;
class QLineEdit;

class CDatumDlg : public QDialog {
  Q_OBJECT
 public:
  CDatumDlg(ICommandSender& sender, QWidget* parent = nullptr);
  // Reads the datum and fills the fields.
  void read();
  // Sends the fields; "" when the receiver took them, else the text shown in the status line.
  QString applyFields();
  QString statusText() const;

 private:
  void show(const DatumParams::Datum& d);
  void onOk();

  ICommandSender& sender_;
  DatumParams::Datum datum_;
  QLabel* current_;
  QLineEdit *ellipsoid_, *axis_, *inverseFlat_, *reference_;
  std::array<QLineEdit*, 7> shift_{};
  QLabel* status_;
};
