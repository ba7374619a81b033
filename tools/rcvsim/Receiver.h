#pragma once
// State that outlives one link: the parameter tree, the log files, the clock,
// options, fault switches and the trace. Sessions on different fronts share one
// Receiver; each takes `lock()` around what it reads or changes here.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "CorrectionInput.h"
#include "Faults.h"
#include "LogFileSystem.h"
#include "Options.h"
#include "ParamTree.h"
#include "Trace.h"

namespace rcvsim {

class Receiver {
 public:
  explicit Receiver(const Options& options);
  bool open(std::string& error);

  std::unique_lock<std::mutex> lock() { return std::unique_lock<std::mutex>(mutex_); }
  const Options& options() const { return options_; }
  ParamTree& params() { return params_; }
  LogFileSystem& files() { return files_; }
  Faults& faults() { return faults_; }
  Trace& trace() { return trace_; }
  CorrectionInput& corrections() { return corrections_; }

  // Receiver time now, ms since 1970, and ms since start.
  std::int64_t utcMs() const;
  std::int64_t uptimeMs() const;
  int timeScale() const { return options_.timeScale; }
  // Wall time in ms (steady) for scheduling inside sessions.
  static std::int64_t steadyMs();

  // Restarts: every session goes silent until this steady time.
  void reboot();
  std::int64_t rebootUntil() const { return rebootUntil_.load(); }
  std::uint64_t rebootCount() const { return reboots_.load(); }

  // File-system initialisation progress ({total, done}).
  void startFsInit();
  std::string fsInitState() const;
  // Keeps the file-system figures in the tree current.
  void refreshFileFigures();

  // Current log file (recording target), "" when none.
  std::string currentLog;
  // The client on the network port ("address,port=N"), "" when none; under the lock.
  std::string tcpPeer;

  // Every command line taken, without identifier and seal, oldest first (for tests that
  // check exactly what a client sent). Thread-safe.
  void noteCommand(const std::string& text);
  std::vector<std::string> commands() const;

 private:
  void makeBuiltinFiles();
  Options options_;
  std::mutex mutex_;
  ParamTree params_;
  LogFileSystem files_;
  Faults faults_;
  Trace trace_;
  CorrectionInput corrections_;
  std::int64_t startSteady_;
  std::int64_t startUtc_;
  // Read by every serving thread without the lock.
  std::atomic<std::int64_t> rebootUntil_{0};
  std::atomic<std::uint64_t> reboots_{0};
  std::int64_t fsInitStart_ = -1;
  mutable std::mutex commandsLock_;
  std::vector<std::string> commands_;
};

}  // namespace rcvsim
