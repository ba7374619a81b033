#pragma once
// The simulator program on a pseudo-terminal for window tests; it serves until its standard
// input closes.
#include <QProcess>
#include <cstdint>
#include <string>

#include "QtSupport.h"
#include "TestPaths.h"

class SimulatorProcess {
 public:
  bool start(std::uint64_t seed, const QStringList& extra = {}) {
    proc_.start(QString::fromStdString(TestPaths::binDir() + "/rcvsim"),
                QStringList{"--pty", "--seed", QString::number(seed), "--start", "2026-06-01T10:00:00"} + extra);
    if (!proc_.waitForStarted(5000)) return false;
    waitFor([this] { return proc_.canReadLine() || proc_.state() != QProcess::Running; }, 10000);
    const QString line = QString::fromUtf8(proc_.readLine()).trimmed();
    if (!line.startsWith("pty ")) return false;
    pty_ = line.mid(4).toStdString();
    return true;
  }
  ~SimulatorProcess() {
    proc_.closeWriteChannel();
    if (!proc_.waitForFinished(5000)) {
      proc_.kill();
      proc_.waitForFinished(5000);
    }
  }
  std::string receiverString() const { return "COM" + pty_ + ":115200:1"; }
  const std::string& pty() const { return pty_; }

 private:
  QProcess proc_;
  std::string pty_;
};
