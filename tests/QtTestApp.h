#pragma once
// The one QApplication of a window test process. Never destroyed: Qt's own clean-up at exit
// must not run after the application object.
#include <QApplication>

inline QApplication& QtTestApp() {
  static int argc = 1;
  static char name[] = "stelvan-test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}
