#pragma once
// The receiver's port B as a correction input: a second pseudo-terminal
// and/or a TCP port (one client at a time, no login) whose bytes go to the
// receiver's CorrectionInput. Nothing is sent back. start and stop from one
// thread; stop returns within about 50 ms.
#include <atomic>
#include <string>
#include <thread>

#include "CorrectionInput.h"

namespace rcvsim {

class CorrectionPort {
 public:
  CorrectionPort(CorrectionInput& input, bool pty, std::string tcp);
  ~CorrectionPort();
  CorrectionPort(const CorrectionPort&) = delete;
  CorrectionPort& operator=(const CorrectionPort&) = delete;

  bool start(std::string& error);
  void stop();
  const std::string& ptyPath() const { return ptyPath_; }
  int tcpPort() const { return tcpPort_; }

 private:
  bool openPty(std::string& error);
  bool openTcp(std::string& error);
  void servePty();
  void serveTcp();
  void take(const char* bytes, long count);

  CorrectionInput& input_;
  bool wantPty_;
  std::string tcp_;
  std::atomic<bool> stop_{false};
  int master_ = -1, slave_ = -1, listen_ = -1;
  std::string ptyPath_;
  int tcpPort_ = 0;
  std::thread ptyThread_, tcpThread_;
};

}  // namespace rcvsim
