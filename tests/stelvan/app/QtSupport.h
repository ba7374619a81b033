#pragma once
// A QApplication for the tests of this folder and a bounded wait that keeps events flowing.
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <functional>

inline QApplication& testApp() {
  static int argc = 1;
  static char name[] = "stelvan-test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Processes events until `done` holds or `limitMs` passed; the result of `done` at the end.
inline bool waitFor(const std::function<bool()>& done, int limitMs) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < limitMs) QTest::qWait(50);
  return done();
}
