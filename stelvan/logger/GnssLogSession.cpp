#include "logger/GnssLogSession.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "logger/LeftoverFiles.h"

namespace Gnss {

namespace {
constexpr std::size_t kMaxPending = 1 << 20;  // a date that never comes does not hold more

std::uint32_t tickMs() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
bool reached(std::uint32_t now, std::uint32_t at) {
  return static_cast<std::int32_t>(now - at) >= 0;
}

// The computer's local time as ms since 1970, for the clock of streams without their own.
std::int64_t localMs() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  return duration_cast<milliseconds>(now.time_since_epoch()).count() +
         static_cast<std::int64_t>(tm.tm_gmtoff) * 1000;
}
}  // namespace

std::string localClock() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

GnssLogSession::GnssLogSession(ILogReceiver& receiver, LogFileNamer namer, LogOptions options)
    : receiver_(receiver), namer_(std::move(namer)), options_(std::move(options)) {}

GnssLogSession::~GnssLogSession() {
  Stop();
}

void GnssLogSession::say(const std::string& text) {
  if (message_) message_(localClock() + " " + text);
}

void GnssLogSession::sayError(const std::string& text) {
  if (error_)
    error_(text);
  else
    say(text);
}

// ---- start and stop ------------------------------------------------------------------------

bool GnssLogSession::sendOwn(const std::string& command, std::string& reply, int timeoutMs) {
  // Our own identifier, so that the reply can be kept out of the files.
  const std::string id = std::string("%") + ReplyFilter::kTag + std::to_string(++ownCommands_) + "%";
  return receiver_.command(id + command, reply, timeoutMs);
}

DateTimeListener::Source GnssLogSession::timeSource() const {
  if (options_.nmeaTime) return DateTimeListener::Source::Nmea;
  if (options_.rtcm3Time) return DateTimeListener::Source::Rtcm3;
  return DateTimeListener::Source::Zrx;
}

bool GnssLogSession::Start() {
  {
    std::lock_guard l(lock_);
    lastError_.clear();
  }
  if (!receiver_.ready()) {
    std::lock_guard l(lock_);
    lastError_ = "The receiver is not connected";
    return false;
  }
  recoverLeftovers();
  {
    std::lock_guard l(lock_);
    if (logging_) return true;
    stream_.TakeByteCount();
    if (!started_) {
      fileIndex_ = options_.firstIndex - 1;
      if (options_.keepEarlierFiles && namer_.mode == 2)
        fileIndex_ = std::max(fileIndex_, HighestIndexPresent(namer_));
    }
    started_ = true;
    dateTime_.reset(options_.periodSec, options_.offsetSec, timeSource(), options_.utcNow);
    wallClock_ = RotationClock(options_.periodSec, options_.offsetSec);
    hold_.clear();
    pending_.clear();
    replies_.reset();
    fullSaid_ = false;
    lostEpisode_ = 0;
    logging_ = true;
    phase_ = Phase::WaitEpoch;
    if (!options_.waitForEpoch) {
      openFile(LogFileNamer::localNow(), false);
      wallClock_.start(localMs());
    }
  }
  receiver_.setStreamSink([this](const std::uint8_t* b, std::size_t n) { onData(b, n); });
  for (const std::string& c : options_.enableCommands) {
    std::string reply;
    if (sendOwn(c, reply, 3000)) continue;
    abortStart();
    std::lock_guard l(lock_);
    lastError_ = reply.empty() ? "No answer from the receiver to \"" + c + "\"" : reply;
    return false;
  }
  std::string reply;
  if (!options_.initText.empty() && !sendOwn(options_.initText, reply, 3000))
    sayError("The receiver refused \"" + options_.initText + "\": " + (reply.empty() ? "no answer" : reply));
  return true;
}

// A refused start leaves nothing behind: no file, no listener.
void GnssLogSession::abortStart() {
  receiver_.setStreamSink(nullptr);
  std::lock_guard l(lock_);
  if (phase_ == Phase::Open) {
    const int fd = stream_.Detach();
    if (fd >= 0) ::close(fd);
    std::error_code ec;
    std::filesystem::remove(file_.path, ec);
    --fileIndex_;
  }
  phase_ = Phase::Idle;
  logging_ = false;
}

void GnssLogSession::recoverLeftovers() {
  if (recovered_ || !options_.recoverLeftovers || !options_.useTempName) return;
  recovered_ = true;
  std::vector<std::string> errors;
  for (const Leftover& f : RecoverLeftovers(namer_, errors)) {
    say("Log file recovered from an earlier run: " + f.final + " (" + std::to_string(f.size) + " bytes)");
    const std::string path = f.final;
    commands_.Post(std::make_shared<Util::FunctionCommand>([this, path] {
      if (fileClosed_) fileClosed_(path);
    }));
  }
  for (const std::string& e : errors) sayError(e);
}

void GnssLogSession::Stop() {
  {
    std::lock_guard l(lock_);
    if (!logging_) return;
  }
  std::string reply;
  sendOwn("dm", reply, 3000);
  receiver_.setStreamSink(nullptr);
  {
    std::lock_guard l(lock_);
    // What was held back can no longer begin a frame: it belongs to the last file.
    std::string rest;
    replies_.flush(rest);
    hold_ += rest;
    route(reinterpret_cast<const std::uint8_t*>(hold_.data()), hold_.size());
    hold_.clear();
    if (phase_ == Phase::Pending) openPending();
    if (phase_ == Phase::Open) closeFile();
    if (lostEpisode_ > 0) sayError(std::to_string(lostEpisode_) + " bytes received could not be written");
    phase_ = Phase::Idle;
    logging_ = false;
  }
  commands_.Drain(15000);
}

bool GnssLogSession::IsLogging() {
  std::lock_guard l(lock_);
  return logging_ && phase_ == Phase::Open;
}

std::string GnssLogSession::currentFile() {
  std::lock_guard l(lock_);
  return phase_ == Phase::Open ? file_.finalPath : std::string();
}

// ---- files -------------------------------------------------------------------------------------

NameTime GnssLogSession::receiverNameTime(std::int64_t startMs) const {
  const auto d = dateTime_.dateAt(startMs);
  if (!d) return LogFileNamer::localNow();  // the receiver's date and time, or the computer's
  const std::int64_t tod = startMs % RotationClock::kDayMs;
  return {d->year,
          d->month,
          d->day,
          static_cast<int>(tod / 3600000),
          static_cast<int>(tod / 60000 % 60),
          static_cast<int>(tod / 1000 % 60)};
}

void GnssLogSession::startFile(std::int64_t startMs) {
  if (phase_ == Phase::Open) closeFile();
  const bool retry = phase_ == Phase::Full;
  dateTime_.fileStarted();
  if (dateTime_.dateAt(startMs) || retry) {
    openFile(receiverNameTime(startMs), retry);
    return;
  }
  phase_ = Phase::Pending;
  pendingStartMs_ = startMs;
  pending_.clear();
}

void GnssLogSession::openPending() {
  openFile(receiverNameTime(pendingStartMs_), false);
  std::string bytes;
  bytes.swap(pending_);
  route(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

void GnssLogSession::openFile(const NameTime& t, bool quiet) {
  file_ = OpenFile{};
  file_.index = ++fileIndex_;
  file_.quiet = quiet;
  file_.finalPath = namer_.name(t, file_.index);
  if (options_.keepEarlierFiles && options_.useTempName) file_.finalPath = FreeName(file_.finalPath);
  file_.finalPath = NameApartFrom(file_.finalPath, previousFinalPath_);
  previousFinalPath_ = file_.finalPath;
  file_.path = options_.useTempName ? LogFileNamer::tempName(file_.finalPath) : file_.finalPath;
  if (!quiet) say("Log file started: " + file_.path);
  std::string why;
  if (!stream_.Open(file_.path, options_.overwrite || options_.useTempName, &why)) {
    --fileIndex_;
    if (phase_ == Phase::Open) phase_ = Phase::Idle;
    enterFull("Can't open log file " + file_.path + ": " + why);
    return;
  }
  phase_ = Phase::Open;
}

void GnssLogSession::closeFile() {
  const OpenFile f = file_;
  const int fd = stream_.Detach();
  phase_ = Phase::Idle;
  const bool rename = options_.useTempName, keep = options_.keepEarlierFiles;
  commands_.Post(std::make_shared<Util::FunctionCommand>([this, f, fd, rename, keep] {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fd >= 0 && ::close(fd) != 0) sayError("Can't write log file " + f.path + ": " + std::strerror(errno));
    if (f.lost > 0 && fs::file_size(f.path, ec) == 0 && !ec) {
      fs::remove(f.path, ec);  // a retry that wrote nothing
      return;
    }
    std::string target = f.finalPath;
    if (f.lost > 0 && rename) target = IncompleteName(target);
    if (rename) {
      if (keep) target = FreeName(target);
      if (std::rename(f.path.c_str(), target.c_str()) != 0) {
        sayError("Can't rename " + f.path + " to " + target + ": " + std::strerror(errno));
        return;
      }
    }
    if (!fs::exists(target, ec)) {
      sayError("Log file " + target + " is missing");
      return;
    }
    if (f.lost > 0)
      sayError("Log file " + target + " is incomplete: " + std::to_string(f.lost) +
               " bytes could not be written");
    say("Log file closed: " + target);
    if (fileClosed_) fileClosed_(target);
  }));
}

// ---- bytes ---------------------------------------------------------------------------------------

void GnssLogSession::enterFull(const std::string& why) {
  if (!fullSaid_)
    sayError(why + "; the data received is counted until it can be written again, tried every " +
             std::to_string(options_.retryWriteMs / 1000) + " s");
  fullSaid_ = true;
  if (phase_ == Phase::Open) closeFile();
  phase_ = Phase::Full;
  retryAt_ = tickMs() + static_cast<std::uint32_t>(options_.retryWriteMs);
}

void GnssLogSession::writeOut(const std::uint8_t* bytes, std::size_t count) {
  if (count == 0 || phase_ != Phase::Open) return;
  std::string why;
  const std::size_t n = stream_.Write(bytes, count, &why);
  if (n > 0 && file_.quiet) {
    file_.quiet = false;
    say("Log file started: " + file_.path);
    sayError("Writing again after " + std::to_string(lostEpisode_) + " bytes could not be written");
    fullSaid_ = false;
    lostEpisode_ = 0;
  }
  if (n == count) return;
  file_.lost += count - n;
  lostEpisode_ += count - n;
  lostTotal_ += count - n;
  enterFull("Can't write log file " + file_.path + ": " + why);
}

void GnssLogSession::route(const std::uint8_t* bytes, std::size_t count) {
  switch (phase_) {
    case Phase::Pending:
      pending_.append(reinterpret_cast<const char*>(bytes), count);
      if (pending_.size() > kMaxPending) openPending();
      break;
    case Phase::Open:
      writeOut(bytes, count);
      break;
    case Phase::Full:
      lostEpisode_ += count;
      lostTotal_ += count;
      break;
    default:
      break;  // before the first epoch, or stopped
  }
}

void GnssLogSession::onData(const std::uint8_t* bytes, std::size_t count) {
  std::lock_guard l(lock_);
  if (!logging_) return;
  received_ += count;
  std::string passed;
  replies_.feed(bytes, count, passed);
  if (hold_.empty())
    hold_.swap(passed);
  else
    hold_ += passed;
  if (options_.waitForEpoch)
    scanEpochs();
  else
    clockRotation();
}

namespace {
// Where a stream without receiver time may be cut: an NMEA sentence or an RTCM 3 frame.
std::size_t messageStart(const std::string& bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c == '$') return i;
    if (c == 0xD3 && i + 1 < bytes.size() && (static_cast<unsigned char>(bytes[i + 1]) & 0xFC) == 0) return i;
  }
  return std::string::npos;
}
}  // namespace

// Streams without receiver time: files change on the computer's clock, on the same grid, at
// the first message that begins after the boundary (a stream in which none is recognised
// within a second is cut between two reads).
void GnssLogSession::clockRotation() {
  const auto* b = reinterpret_cast<const std::uint8_t*>(hold_.data());
  std::size_t cut = 0;
  bool due = false;
  if (phase_ == Phase::Open && wallClock_.due(localMs())) {
    if (!clockDue_) clockDueAt_ = tickMs();
    clockDue_ = true;
    const std::size_t start = messageStart(hold_);
    due = start != std::string::npos || reached(tickMs(), clockDueAt_ + 1000);
    if (start != std::string::npos) cut = start;
  } else if (phase_ == Phase::Full) {
    due = reached(tickMs(), retryAt_);
  }
  if (due) {
    route(b, cut);
    const bool retry = phase_ == Phase::Full;
    if (phase_ == Phase::Open) closeFile();
    openFile(LogFileNamer::localNow(), retry);
    wallClock_.start(localMs());
    clockDue_ = false;
  }
  route(b + cut, hold_.size() - cut);
  hold_.clear();
}

void GnssLogSession::scanEpochs() {
  const auto* b = reinterpret_cast<const std::uint8_t*>(hold_.data());
  std::size_t written = 0, scan = 0, at = 0, end = 0;
  for (;;) {
    const DateTimeListener::Step step = dateTime_.next(b, hold_.size(), scan, at, end);
    if (step == DateTimeListener::Step::Nothing) {
      at = hold_.size();
      break;
    }
    if (step == DateTimeListener::Step::NeedMore) break;
    if (step == DateTimeListener::Step::Date) {
      if (phase_ == Phase::Pending) {  // the date this file's name waited for
        route(b + written, end - written);
        written = end;
        openPending();
      }
      scan = end;
      continue;
    }
    epochs_ = dateTime_.epochs();
    if (phase_ == Phase::Pending) {  // an epoch without a date: the name takes what is known
      route(b + written, at - written);
      written = at;
      openPending();
    }
    const bool begin = phase_ == Phase::WaitEpoch || (phase_ == Phase::Open && dateTime_.rotationDue()) ||
                       (phase_ == Phase::Full && reached(tickMs(), retryAt_));
    if (begin) {
      // The new file begins with this epoch's time message.
      route(b + written, at - written);
      written = at;
      startFile(dateTime_.epochMs());
    }
    scan = end;
  }
  route(b + written, at - written);
  hold_.erase(0, at);
}

}  // namespace Gnss
