#pragma once
// The logger as the real-time logging dialog drives it: names, period, messages and
// initial commands set one by one, then start and stop; progress counters to poll.
// Lives on the caller's thread; the callbacks come from the logger's threads.
#include <memory>
#include <string>
#include <vector>

#include "logger/GnssLogSession.h"
#include "logger/TLRcvModel.h"

namespace Gnss {

class GnssLogger_NS3 {
 public:
  explicit GnssLogger_NS3(Tellus::IReceiverModel* model);
  virtual ~GnssLogger_NS3();

  virtual void SetTrackTime(bool on);                        // 0
  virtual void SetNamingMode(int mode);                      // 1: 0 fixed, 1 date and time, 2 index
  virtual void SetPeriod(int seconds);                       // 2: below 1: one file
  virtual void SetOffset(double seconds);                    // 3
  virtual void SetDirectory(const std::string& dir);         // 4
  virtual void SetPrefix(const std::string& prefix);         // 5
  virtual void SetSuffix(const std::string& suffix);         // 6
  virtual void SetFixedName(const std::string& name);        // 7
  virtual void AddMessage(int kind, const std::string& msg);  // 8: kind 0 ZRX, 1 CMR, 2 NMEA, 3 RTCM
  virtual void SetInitCommands(const std::vector<std::string>& commands);  // 9
  virtual std::uint64_t BytesLogged();                       // 10
  virtual std::uint64_t EpochsLogged();                      // 11
  virtual std::string CurrentFileTitle();                    // 12: no folder, no extension
  virtual void SetFileClosed(std::function<void(const std::string&)> cb);  // 13
  virtual void SetFirstIndex(int index);                     // 14
  virtual bool Start();                                      // 15
  virtual bool IsOpen();                                     // 16: started (also awaiting the first epoch)
  virtual void Stop();                                       // 17
  virtual bool DataArriving(int withinMs);                   // 18

  void SetMessageCallback(std::function<void(const std::string&)> cb) { message_ = std::move(cb); }
  // True while a file is being written.
  bool FileOpen() { return session_ && session_->IsLogging(); }
  // Why the last Start failed: the receiver's own text when it refused a command.
  std::string LastError() const { return lastError_; }
  // False when the user agreed to overwrite earlier files of the same names.
  void SetKeepEarlierFiles(bool keep) { options_.keepEarlierFiles = keep; }
  // The "em" command for the messages added so far.
  std::string EnableCommand() const;

 private:
  TLRcvModel receiver_;
  LogFileNamer namer_;
  LogOptions options_;
  std::vector<std::string> messages_;
  bool trackTime_ = true;
  std::function<void(const std::string&)> message_, fileClosed_;
  std::unique_ptr<GnssLogSession> session_;
  std::string lastError_;
  std::uint64_t bytesBefore_ = 0, epochsBefore_ = 0;  // of the earlier starts of this run
  std::uint64_t lastBytes_ = 0;
  std::uint32_t lastChangeTick_ = 0;
};

}  // namespace Gnss
