#pragma once
// Steps the "Corrections input" window tests share: the main window connected as
// "--receiver" would connect it, and the dialog's caster rows filled in.
#include <QLineEdit>
#include <QSpinBox>
#include <string>

#include "../QtSupport.h"
#include "shell/CCockpitApp.h"
#include "shell/CCockpitView.h"
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

// The main window with the user's settings, shown and connected to a receiver; `connected`
// once the view shows the receiver's position.
struct LiveWindow {
  explicit LiveWindow(const std::string& receiver) : frame(loaded(app)) {
    frame.show();
    connected = connectWindow(frame, receiver) &&
                waitFor([this] { return frame.view()->texts().hasPosition; }, 30000);
  }
  static CCockpitApp& loaded(CCockpitApp& a) {
    a.LoadSettings();
    return a;
  }
  CCockpitApp app;
  CMainFrame frame;
  bool connected = false;
};

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
