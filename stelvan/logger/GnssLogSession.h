#pragma once
// One logging run: enables the receiver's messages, writes every byte it sends into the
// current file, and starts a new file at the first whole epoch at or after each period
// boundary of the receiver's own time. Rotation is lossless: the stream is cut just
// before the epoch's time frame, every byte lands in exactly one file, in order.
//
// A file whose first epoch arrives before the receiver's date is named once the date frame
// of that epoch has been read. A file that lost data (a full disk) is named
// "BASE.incomplete.EXT" and said so; the stream goes on in a new file when writing works
// again. Bytes go to the kernel as they arrive: a crash loses nothing received.
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
#include "logger/DateTimeListener.h"
#include "logger/LogFileNamer.h"
#include "logger/ReplyFilter.h"

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
  bool overwrite = true;  // a file is opened truncated (else appended to)
  int firstIndex = 1;
  std::vector<std::string> enableCommands;  // "em" command texts, sent at the start; a refusal fails it
  std::string initText;                     // further commands joined by ";"
  // Files begin with the first receiver time frame; bytes before it are a partial epoch.
  // Off for streams without receiver time: the first file starts with the first byte, and
  // files change on the computer's clock, on the same grid.
  bool waitForEpoch = true;
  // With waitForEpoch: the stream's epochs and date come from NMEA sentences (GGA, RMC,
  // ZDA, GLL, GNS) instead of the ZRX time and date frames.
  bool nmeaTime = false;
  // With waitForEpoch and without nmeaTime: the epochs are those of the RTCM 3 MSM, the
  // date the computer's (`utcNow`, the system clock when empty).
  bool rtcm3Time = false;
  std::function<std::int64_t()> utcNow;
  // A run never writes over a file it did not write itself: numbered names go on after
  // the highest index in the folder, other names that exist get "_2", "_3", ... Off only
  // when the user agreed to overwrite.
  bool keepEarlierFiles = true;
  // Temporary files a killed run left behind are finished when the first run starts.
  bool recoverLeftovers = true;
  // After a failed write (a full disk), writing is tried again this often.
  int retryWriteMs = 5000;
};

class GnssLogSession {
 public:
  using TextCallback = std::function<void(const std::string&)>;

  GnssLogSession(ILogReceiver& receiver, LogFileNamer namer, LogOptions options);
  ~GnssLogSession();

  // Progress lines ("HH:MM:SS Log file started: ..."), and faults (no time prefix); faults
  // go to the message callback when no error callback is set.
  void setMessageCallback(TextCallback cb) { message_ = std::move(cb); }
  void setErrorCallback(TextCallback cb) { error_ = std::move(cb); }
  void setFileClosedCallback(TextCallback cb) { fileClosed_ = std::move(cb); }

  // Enables the messages and waits for the receiver's answers: false, with lastError()
  // set (the receiver's own text for a refusal), when it is not ready or refuses.
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
  std::string lastError() {
    std::lock_guard l(lock_);
    return lastError_;
  }
  // Final path of the file being written ("" before the first epoch).
  std::string currentFile();
  DataStreamLogger& stream() { return stream_; }
  // Epochs (receiver time frames) seen, bytes received (logged or not) this run.
  std::uint64_t epochs() const { return epochs_.load(); }
  std::uint64_t bytesReceived() const { return received_.load(); }
  // Bytes received that could not be written (a full disk), over the session's life.
  std::uint64_t bytesLost() const { return lostTotal_.load(); }
  // The index the next file takes, so numbering goes on after a reconnect.
  int nextIndex() {
    std::lock_guard l(lock_);
    return fileIndex_ + 1;
  }

  void onData(const std::uint8_t* bytes, std::size_t count);

 private:
  enum class Phase {
    Idle,
    WaitEpoch,  // bytes before the first epoch are dropped
    Pending,    // a file began; its name waits for the receiver's date
    Open,       // writing
    Full,       // a write failed: bytes are counted until a retry succeeds
  };
  struct OpenFile {
    std::string path, finalPath;
    int index = 0;
    std::uint64_t lost = 0;  // bytes that belonged here but could not be written
    bool quiet = false;      // a retry: announced at its first successful write
  };
  DateTimeListener::Source timeSource() const;
  bool sendOwn(const std::string& command, std::string& reply, int timeoutMs);
  void abortStart();
  void recoverLeftovers();
  void scanEpochs();
  void clockRotation();
  void startFile(std::int64_t startMs);
  void openPending();
  void openFile(const NameTime& t, bool quiet);
  void closeFile();
  void route(const std::uint8_t* bytes, std::size_t count);
  void writeOut(const std::uint8_t* bytes, std::size_t count);
  void enterFull(const std::string& why);
  NameTime receiverNameTime(std::int64_t startMs) const;
  void say(const std::string& text);
  void sayError(const std::string& text);

  ILogReceiver& receiver_;
  LogFileNamer namer_;
  LogOptions options_;
  TextCallback message_, error_, fileClosed_;
  Util::CommandHandler commands_;
  DataStreamLogger stream_;

  std::mutex lock_;  // the stream state below, against Start and Stop
  bool logging_ = false, started_ = false, recovered_ = false;
  Phase phase_ = Phase::Idle;
  std::string lastError_;
  ReplyFilter replies_;
  DateTimeListener dateTime_;
  RotationClock wallClock_{0, 0};  // streams without receiver time
  bool clockDue_ = false;          // its boundary passed; waiting for a message start
  std::uint32_t clockDueAt_ = 0;
  std::string hold_;     // received bytes that may begin a time frame
  std::string pending_;  // bytes of a file whose name waits for the date
  std::int64_t pendingStartMs_ = 0;
  std::uint32_t retryAt_ = 0;
  bool fullSaid_ = false;
  std::uint64_t lostEpisode_ = 0;
  int fileIndex_ = 0, ownCommands_ = 0;
  std::string previousFinalPath_;  // the run's last file: a new one never takes its name
  OpenFile file_;
  std::atomic<std::uint64_t> epochs_{0}, received_{0}, lostTotal_{0};
};

// "HH:MM:SS" of the computer's local time.
std::string localClock();

}  // namespace Gnss
