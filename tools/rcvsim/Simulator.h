#pragma once
// The receiver simulator as a library: one simulated receiver served on a new
// pseudo-terminal and/or a TCP port on its own threads. Tests create it,
// start it once, talk to ptyPath() or tcpPort() and stop it. start and stop
// are called from one thread; faults() may be changed from any thread at any
// time, before or after start. stop() (also run by the destructor) returns
// within about 100 ms.
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Faults.h"
#include "Options.h"

namespace rcvsim {

class Receiver;
class CorrectionPort;

class Simulator {
 public:
  explicit Simulator(Options options);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Opens the fronts the options ask for; false with the reason in `error`.
  bool start(std::string& error);
  void stop();

  // Path of the pseudo-terminal's slave side, "" without --pty.
  const std::string& ptyPath() const { return ptyPath_; }
  // The TCP port listened on, 0 without --tcp.
  int tcpPort() const { return tcpPort_; }
  // Port B (corrections in): its pseudo-terminal, "" without --port-b; its TCP port, 0 without.
  std::string portBPath() const;
  int portBTcpPort() const;
  // Folder of the log files.
  std::string filesDir() const;
  Faults& faults();
  // A parameter's current value; false when the path is unknown.
  bool paramValue(const std::string& path, std::string& value);
  // Every parameter path with its current value.
  std::map<std::string, std::string> paramValues();
  // The command lines taken so far (without identifier and seal), oldest first.
  std::vector<std::string> commandsReceived() const;
  const Options& options() const { return options_; }
  // Good RTCM 3 frames taken as corrections so far (port B and the command ports together), and
  // the solution type the receiver reports with them when it manages `alone` by itself.
  std::uint64_t correctionFrames() const;
  int solutionWithCorrections(int alone) const;

 private:
  bool openPty(std::string& error);
  bool openTcp(std::string& error);
  void servePty();
  void serveTcp();
  void serveLink(int fd, bool pty);

  Options options_;
  std::unique_ptr<Receiver> receiver_;
  std::atomic<bool> stop_{false};
  bool started_ = false;
  int master_ = -1, slave_ = -1, listen_ = -1;
  std::string ptyPath_;
  int tcpPort_ = 0;
  std::thread ptyThread_, tcpThread_;
  std::unique_ptr<CorrectionPort> portB_;
};

}  // namespace rcvsim
