#pragma once
// "Server Properties": host, user name, password and TLS of one server entry. OK is enabled only
// while the host box holds non-blank text. GUI thread only.
#include <QDialog>

#include "list/ServerList.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace Kestrel {

class CServerPropertiesDlg : public QDialog {
 public:
  CServerPropertiesDlg(const ServerEntry& entry, QWidget* parent);
  // The boxes' texts, trimmed: the list is stored blank-separated.
  ServerEntry Entry() const;

 private:
  QLineEdit* m_Host;
  QLineEdit* m_User;
  QLineEdit* m_Password;
  QCheckBox* m_Tls;
  QPushButton* m_Ok;
};

}  // namespace Kestrel
