#pragma once
// One logging run: enables the receiver's messages, writes every byte it sends into the
// current file, and starts a new file at the first whole epoch at or after each period
// boundary of the receiver's own time. Rotation is lossless: the stream is cut just
// before the epoch's time frame, every byte lands in exactly one file, in order.
//
// Threads: onData runs on the receiver's reading thread; closing, renaming and the
// file-closed callback run in order on the session's command thread; Start and Stop on
// the caller's. The callbacks may come from either of the first two.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "logger/CommandHandler.h"
#include "logger/DataStreamLogger.h"
#include "logger/LogFileNamer.h"
#include "logger/DateTimeListener.h"

namespace Gnss {

// What the logger needs of a receiver connection.
class ILogReceiver {
 public:
  virtual ~ILogReceiver() = default;
  virtual bool ready() = 0;
  virtual bool writeRaw(const std::string& text) = 0;
  // Sends a command and waits for its reply; false on an error reply or time-out.
  virtual bool command(const std::string& text, std::string& reply, int timeoutMs) = 0;
  // Every received byte goes to `sink` (on the reading thread) until it is set to null.
  virtual void setStreamSink(std::function<void(const std::uint8_t*, std::size_t)> sink) = 0;
};

struct LogOptions {
  int periodSec = 3600;  // 0: one file for the whole run
  double offsetSec = 0;
  bool useTempName = true;
  bool overwrite = true;
  int firstIndex = 1;
  std::vector<std::string> enableCommands;  // "em" command texts, sent raw at the start
  std::string initText;                     // further commands joined by ";"
  // Files begin with the first receiver time frame; bytes before it are a partial epoch.
  // Off for streams without receiver time: the first file starts with the first byte.
  bool waitForEpoch = true;
};

class GnssLogSession {
 public:
  using TextCallback = std::function<void(const std::string&)>;

  GnssLogSession(ILogReceiver& receiver, LogFileNamer namer, LogOptions options);
  ~GnssLogSession();

  void setMessageCallback(TextCallback cb) { message_ = std::move(cb); }
  void setFileClosedCallback(TextCallback cb) { fileClosed_ = std::move(cb); }

  bool Start();
  // "dm" (reply awaited up to 3 s), then the last file closed and renamed; returns when
  // the file-closed work is done (bounded).
  void Stop();
  bool IsLogging();
  // True from Start to Stop, also while the first epoch is awaited.
  bool Running() {
    std::lock_guard l(lock_);
    return logging_;
  }
  // Final path of the file being written ("" before the first epoch).
  std::string currentFile();
  DataStreamLogger& stream() { return stream_; }
  // Epochs (receiver time frames) seen, bytes received (logged or not) this run.
  std::uint64_t epochs() const { return epochs_.load(); }
  std::uint64_t bytesReceived() const { return received_.load(); }
  // The index the next file of a later run takes, so numbering goes on after a reconnect.
  int nextIndex() {
    std::lock_guard l(lock_);
    return fileIndex_ + 1;
  }

  void onData(const std::uint8_t* bytes, std::size_t count);

 private:
  struct OpenFile {
    std::string path, finalPath;
    int index = 0;
    bool timeKnown = false;
    std::int64_t startMs = 0;
  };
  void openFile(bool timeKnown, std::int64_t startMs);
  void closeFile();
  std::string finalName(const OpenFile& f) const;
  void writeOut(const std::uint8_t* bytes, std::size_t count);
  void say(const std::string& text);

  ILogReceiver& receiver_;
  LogFileNamer namer_;
  LogOptions options_;
  TextCallback message_, fileClosed_;
  Util::CommandHandler commands_;
  DataStreamLogger stream_;

  std::mutex lock_;  // the stream state below, against Start and Stop
  bool logging_ = false;
  bool waiting_ = false;  // for the first epoch
  bool writeFailed_ = false;
  DateTimeListener dateTime_;
  std::string hold_;  // received bytes that may begin a time frame
  std::size_t scanFrom_ = 0;
  int fileIndex_ = 0;
  OpenFile file_;
  std::atomic<std::uint64_t> epochs_{0}, received_{0};
};

// "HH:MM:SS" of the computer's local time.
std::string localClock();

}  // namespace Gnss
