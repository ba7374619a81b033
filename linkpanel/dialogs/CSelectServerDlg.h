#pragma once
// "Select Server": the server list and its buttons only. A normal modal QDialog; GUI thread
// only. Like the receiver dialog it holds the connection-dialog settings for its life and
// writes the server list and "LastServer" back when it closes.
#include <QDialog>
#include <memory>

#include "linkpanel/Linkpanel.h"

class CProfile;

namespace Kestrel {

class ServerPanel;

class CSelectServerDlg : public QDialog {
 public:
  CSelectServerDlg(const CONNECTION_INFO& info, QWidget* parent = nullptr);

  // The choice (server, user, password), valid after the dialog was accepted.
  const CONNECTION_INFO& Info() const { return m_Info; }

  void accept() override;
  void done(int result) override;

 private:
  CONNECTION_INFO m_Info;
  std::unique_ptr<CProfile, void (*)(CProfile*)> m_Settings;
  ServerPanel* m_Servers;
};

}  // namespace Kestrel
