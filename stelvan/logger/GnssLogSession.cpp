#include "logger/GnssLogSession.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace Gnss {

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

GnssLogSession::~GnssLogSession() { Stop(); }

void GnssLogSession::say(const std::string& text) {
  if (message_) message_(localClock() + " " + text);
}

bool GnssLogSession::Start() {
  if (!receiver_.ready()) return false;
  {
    std::lock_guard l(lock_);
    if (logging_) return true;
    stream_.TakeByteCount();
    fileIndex_ = options_.firstIndex - 1;
    dateTime_.reset(options_.periodSec, options_.offsetSec);
    hold_.clear();
    scanFrom_ = 0;
    writeFailed_ = false;
    waiting_ = options_.waitForEpoch;
    logging_ = true;
    if (!waiting_) openFile(false, 0);
  }
  receiver_.setStreamSink([this](const std::uint8_t* b, std::size_t n) { onData(b, n); });
  for (const std::string& c : options_.enableCommands) receiver_.writeRaw(c + "\n");
  if (!options_.initText.empty()) receiver_.writeRaw(options_.initText + "\n");
  return true;
}

void GnssLogSession::Stop() {
  {
    std::lock_guard l(lock_);
    if (!logging_) return;
  }
  std::string reply;
  receiver_.command("dm", reply, 3000);
  receiver_.setStreamSink(nullptr);
  {
    std::lock_guard l(lock_);
    // What was held back can no longer begin a frame: it belongs to the last file.
    if (!waiting_) writeOut(reinterpret_cast<const std::uint8_t*>(hold_.data()), hold_.size());
    hold_.clear();
    if (!waiting_) closeFile();
    logging_ = false;
  }
  commands_.Drain(15000);
}

bool GnssLogSession::IsLogging() {
  std::lock_guard l(lock_);
  return logging_ && !waiting_;
}

std::string GnssLogSession::currentFile() {
  std::lock_guard l(lock_);
  return waiting_ ? std::string() : file_.finalPath;
}

std::string GnssLogSession::finalName(const OpenFile& f) const {
  NameTime t = LogFileNamer::localNow();
  if (f.timeKnown) {
    const std::int64_t tod = f.startMs % RotationClock::kDayMs;
    t.hour = static_cast<int>(tod / 3600000);
    t.minute = static_cast<int>(tod / 60000 % 60);
    t.second = static_cast<int>(tod / 1000 % 60);
    if (auto d = dateTime_.dateAt(f.startMs)) {
      t.year = d->year;
      t.month = d->month;
      t.day = d->day;
    }
  }
  return namer_.name(t, f.index);
}

void GnssLogSession::openFile(bool timeKnown, std::int64_t startMs) {
  file_ = OpenFile{};
  file_.index = ++fileIndex_;
  file_.timeKnown = timeKnown;
  file_.startMs = startMs;
  file_.finalPath = finalName(file_);
  file_.path = options_.useTempName ? LogFileNamer::tempName(file_.finalPath) : file_.finalPath;
  say("Log file started: " + file_.path);
  if (!stream_.Open(file_.path, options_.overwrite || options_.useTempName))
    say("Can't open log file " + file_.path + ": " + std::strerror(errno));
}

void GnssLogSession::closeFile() {
  OpenFile f = file_;
  // The date frames of the epoch that opened the file have arrived by now.
  f.finalPath = finalName(f);
  std::FILE* handle = stream_.Detach();
  const bool rename = options_.useTempName;
  commands_.Post(std::make_shared<Util::FunctionCommand>([this, f, handle, rename] {
    if (handle && std::fclose(handle) != 0) say("Can't write log file " + f.path + ": " + std::strerror(errno));
    if (rename && std::rename(f.path.c_str(), f.finalPath.c_str()) != 0)
      say("Can't rename " + f.path + " to " + f.finalPath + ": " + std::strerror(errno));
    say("Log file closed: " + f.finalPath);
    if (fileClosed_) fileClosed_(f.finalPath);
  }));
}

void GnssLogSession::writeOut(const std::uint8_t* bytes, std::size_t count) {
  if (count == 0 || waiting_) return;
  if (!stream_.Write(bytes, count) && !writeFailed_) {
    writeFailed_ = true;  // said once per file, not once per read
    say("Can't write log file " + file_.path);
  }
}

void GnssLogSession::onData(const std::uint8_t* bytes, std::size_t count) {
  std::lock_guard l(lock_);
  if (!logging_) return;
  received_ += count;
  hold_.append(reinterpret_cast<const char*>(bytes), count);
  const auto* b = reinterpret_cast<const std::uint8_t*>(hold_.data());
  std::size_t written = 0, scan = scanFrom_, at = 0, end = 0;
  for (;;) {
    const DateTimeListener::Step step = dateTime_.next(b, hold_.size(), scan, at, end);
    if (step == DateTimeListener::Step::Nothing) {
      at = hold_.size();
      break;
    }
    if (step == DateTimeListener::Step::NeedMore) break;
    epochs_ = dateTime_.epochs();
    if (waiting_ || dateTime_.rotationDue()) {
      // The new file begins with this epoch's time message.
      writeOut(b + written, at - written);
      written = at;
      if (waiting_)
        waiting_ = false;
      else
        closeFile();
      writeFailed_ = false;
      dateTime_.fileStarted();
      openFile(true, dateTime_.epochMs());
    }
    scan = end;
  }
  writeOut(b + written, at - written);
  hold_.erase(0, at);
  scanFrom_ = 0;
}

}  // namespace Gnss
