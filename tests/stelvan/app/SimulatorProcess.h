#pragma once
// The simulator program on a pseudo-terminal for window tests; it serves until its standard
// input closes.
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

#include "PipedProcess.h"
#include "QtSupport.h"
#include "TestPaths.h"

class SimulatorProcess {
 public:
  bool start(std::uint64_t seed, const QStringList& extra = {}) {
    std::vector<std::string> args{"--pty", "--seed", std::to_string(seed), "--start", "2026-06-01T10:00:00"};
    for (const QString& a : extra) args.push_back(a.toStdString());
    if (!proc_.start(TestPaths::binDir() + "/rcvsim", args)) return false;
    std::string line;
    if (!proc_.readLine(line, 10000, [] { QCoreApplication::processEvents(); }) || line.rfind("pty ", 0) != 0)
      return false;
    pty_ = line.substr(4);
    return true;
  }
  std::string receiverString() const { return "COM" + pty_ + ":115200:1"; }
  const std::string& pty() const { return pty_; }

 private:
  PipedProcess proc_;
  std::string pty_;
};
