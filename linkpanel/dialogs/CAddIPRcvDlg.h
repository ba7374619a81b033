#pragma once
// "Add IP Receiver": address, port and password of a receiver on the network, given back as
// its receiver string. GUI thread only.
#include <QDialog>
#include <string>

class QLineEdit;

namespace Kestrel {

class CAddIPRcvDlg : public QDialog {
 public:
  explicit CAddIPRcvDlg(QWidget* parent);
  // "TCP:" + address + ":" + port + ":" + password.
  std::string ReceiverString() const;

 private:
  QLineEdit* m_Address;
  QLineEdit* m_Port;
  QLineEdit* m_Password;
};

}  // namespace Kestrel
