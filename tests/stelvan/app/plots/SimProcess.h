#pragma once
// The receiver simulator as a child process on a pseudo-terminal, for window tests that
// link the shared Gridlink (the in-process simulator brings its own static copy). It ends
// with its standard input.
#include <QStringList>
#include <string>
#include <vector>

#include "PipedProcess.h"
#include "TestPaths.h"

class SimProcess {
 public:
  bool start(const QStringList& extra = {}) {
    std::vector<std::string> args{"--pty", "--seed", "7"};
    for (const QString& a : extra) args.push_back(a.toStdString());
    if (!proc_.start(TestPaths::binDir() + "/rcvsim", args)) return false;
    std::string line;
    while (proc_.readLine(line, 5000))
      if (line.rfind("pty ", 0) == 0) {
        pty_ = line.substr(4);
        return true;
      }
    return false;
  }
  std::string receiverString() const { return "COM" + pty_ + ":115200:1"; }

 private:
  PipedProcess proc_;
  std::string pty_;
};
