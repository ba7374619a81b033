#pragma once
// Steps the "Corrections input" window tests share: the main window connected as
// "--receiver" would connect it, and the dialog's caster rows filled in.
#include <QLineEdit>
#include <QSpinBox>
#include <string>

#include "shell/CMainFrame.h"
#include "shell/StartOptions.h"

namespace dialogsteps {

// False when the receiver string does not parse; the connection itself goes on in the window.
inline bool connectWindow(CMainFrame& frame, const std::string& receiver) {
  const char* argv[] = {"stelvan", "--receiver", receiver.c_str()};
  CONNECTION_INFO info;
  if (!StartOptions::Parse(3, argv).ConnectionInfo(info)) return false;
  frame.ConnectWith(info);
  return true;
}

// The caster on 127.0.0.1:port with the test caster's user and password; the mount too when
// one is given.
inline void fillCaster(QWidget* dlg, int port, const char* mount = nullptr) {
  dlg->findChild<QLineEdit*>("ntripCaster")->setText("127.0.0.1");
  dlg->findChild<QSpinBox*>("ntripPort")->setValue(port);
  dlg->findChild<QLineEdit*>("ntripUser")->setText("user");
  dlg->findChild<QLineEdit*>("ntripPassword")->setText("pass");
  if (mount) dlg->findChild<QLineEdit*>("ntripMount")->setText(mount);
}

}  // namespace dialogsteps
