#pragma once
// "Add IP Receiver": the link (the network port with its login, or the Wi-Fi port), address or
// host name, port and password of a receiver on the network, given back as its receiver
// string. GUI thread only.
#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;

namespace Kestrel {

class CAddIPRcvDlg : public QDialog {
 public:
  explicit CAddIPRcvDlg(QWidget* parent);
  // "TCP:" (or "WIFI:") + address + ":" + port + ":" + password.
  std::string ReceiverString() const;
  void accept() override;

 private:
  QComboBox* m_Kind;
  QLineEdit* m_Address;
  QLineEdit* m_Port;
  QLineEdit* m_Password;
};

}  // namespace Kestrel
