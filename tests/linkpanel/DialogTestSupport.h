#pragma once
// Qt Test helpers for the connection dialogs: one QApplication for the test program, a
// watcher that answers modal boxes and dialogs from a timer (so exec() never blocks a test),
// and bounded waits.
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

namespace lptest {

struct SeenBox {
  QString title;
  QString text;
};

// Runs on the GUI thread's timer while it lives. A message box that becomes the active modal
// widget is recorded and closed; `onDialog` runs once for the first other modal dialog. After
// about 20 s it rejects whatever is modal, so a broken dialog ends the test instead of hanging.
class ModalWatcher {
 public:
  ModalWatcher();
  ~ModalWatcher();
  std::vector<SeenBox> boxes;
  std::function<void(QDialog*)> onDialog;

 private:
  QTimer m_Timer;
  int m_Ticks = 0;
  bool m_DialogHandled = false;
};

// Processes events until pred() holds or about 20 s have gone; returns pred().
bool WaitUntil(const std::function<bool()>& pred);

template <typename T>
T* Find(QWidget* root, const char* name) {
  return root->findChild<T*>(QString::fromLatin1(name));
}

}  // namespace lptest
