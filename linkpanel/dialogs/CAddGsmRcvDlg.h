#pragma once
// "Add GSM Receiver": the modem's serial port, the number to dial, the SIM's PIN and the
// modem's line speed, given back as the receiver string. GUI thread only.
#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;

namespace Kestrel {

class CAddGsmRcvDlg : public QDialog {
 public:
  explicit CAddGsmRcvDlg(QWidget* parent);
  // "GSM" + port + ":" + number + ":" + PIN + ":" + line speed.
  std::string ReceiverString() const;
  void accept() override;

 private:
  QComboBox* m_Port;
  QLineEdit* m_Number;
  QLineEdit* m_Pin;
  QComboBox* m_Rate;
};

}  // namespace Kestrel
