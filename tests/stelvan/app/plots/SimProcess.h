#pragma once
// The receiver simulator as a child process on a pseudo-terminal, for window tests that
// link the shared Gridlink (the in-process simulator brings its own static copy).
#include <QProcess>
#include <QStringList>
#include <string>

#include "TestPaths.h"

class SimProcess {
 public:
  bool start(QStringList extra = {}) {
    proc_.setProgram(QString::fromStdString(TestPaths::binDir() + "/rcvsim"));
    proc_.setArguments(QStringList{"--pty", "--seed", "7"} + extra);
    proc_.start();
    if (!proc_.waitForStarted(5000)) return false;
    while (proc_.waitForReadyRead(5000)) {
      while (proc_.canReadLine()) {
        const QString line = QString::fromLatin1(proc_.readLine()).trimmed();
        if (line.startsWith("pty ")) {
          pty_ = line.mid(4).toStdString();
          return true;
        }
      }
    }
    return false;
  }
  ~SimProcess() {
    proc_.closeWriteChannel();  // the simulator ends with its standard input
    proc_.terminate();
    if (!proc_.waitForFinished(5000)) proc_.kill(), proc_.waitForFinished(2000);
  }
  std::string receiverString() const { return "COM" + pty_ + ":115200:1"; }

 private:
  QProcess proc_;
  std::string pty_;
};
