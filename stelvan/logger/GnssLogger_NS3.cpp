#include "logger/GnssLogger_NS3.h"

#include <chrono>

namespace Gnss {

namespace {
std::uint32_t tickMs() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
const char* kKindPath[] = {"", "cmr/", "nmea/", "rtcm/"};
}  // namespace

GnssLogger_NS3::GnssLogger_NS3(Tellus::IReceiverModel* model) : receiver_(model) {}
GnssLogger_NS3::~GnssLogger_NS3() { Stop(); }

void GnssLogger_NS3::SetTrackTime(bool on) { trackTime_ = on; }
void GnssLogger_NS3::SetNamingMode(int mode) {
  namer_.mode = mode;
  options_.useTempName = mode != 0;
  options_.overwrite = mode == 1;
}
void GnssLogger_NS3::SetPeriod(int seconds) { options_.periodSec = seconds < 1 ? 0 : seconds; }
void GnssLogger_NS3::SetOffset(double seconds) { options_.offsetSec = seconds; }
void GnssLogger_NS3::SetDirectory(const std::string& dir) { namer_.directory = dir; }
void GnssLogger_NS3::SetPrefix(const std::string& prefix) { namer_.prefix = prefix; }
void GnssLogger_NS3::SetSuffix(const std::string& suffix) { namer_.suffix = suffix; }
void GnssLogger_NS3::SetFixedName(const std::string& name) { namer_.fixedName = name; }
void GnssLogger_NS3::SetFirstIndex(int index) { options_.firstIndex = index; }

// `msg` may be a list "A:1.00,B:1.00": every item carries the format, or the receiver takes
// the later ones for ZRX messages.
void GnssLogger_NS3::AddMessage(int kind, const std::string& msg) {
  const std::string path = kKindPath[kind >= 0 && kind < 4 ? kind : 0];
  for (std::size_t from = 0;;) {
    const std::size_t comma = msg.find(',', from);
    const std::string item = msg.substr(from, comma - from);
    if (!item.empty()) messages_.push_back(path + item);
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
}

std::string GnssLogger_NS3::EnableCommand() const {
  std::string list;
  for (const std::string& m : messages_) list += (list.empty() ? "" : ",") + m;
  return "em,," + list;
}

void GnssLogger_NS3::SetInitCommands(const std::vector<std::string>& commands) {
  options_.initText.clear();
  for (std::string c : commands) {
    // A "%%"-prefixed command is stored without its prefix.
    const std::size_t pct = c.rfind('%');
    if (pct != std::string::npos) c.erase(0, pct + 1);
    options_.initText += (options_.initText.empty() ? "" : ";") + c;
  }
}

// Counted over the whole run: a restart after a reconnect goes on from where it was.
std::uint64_t GnssLogger_NS3::BytesLogged() {
  return bytesBefore_ + (session_ ? session_->stream().TotalBytes() : 0);
}
std::uint64_t GnssLogger_NS3::EpochsLogged() { return epochsBefore_ + (session_ ? session_->epochs() : 0); }

std::string GnssLogger_NS3::CurrentFileTitle() {
  std::string f = session_ ? session_->currentFile() : std::string();
  const std::size_t slash = f.rfind('/');
  if (slash != std::string::npos) f.erase(0, slash + 1);
  const std::size_t dot = f.rfind('.');
  if (dot != std::string::npos) f.erase(dot);
  return f;
}

void GnssLogger_NS3::SetFileClosed(std::function<void(const std::string&)> cb) { fileClosed_ = std::move(cb); }

bool GnssLogger_NS3::Start() {
  Stop();
  lastError_.clear();
  options_.enableCommands = {EnableCommand()};
  bool epochs = false, nmea = false, msm = false;
  for (const std::string& m : messages_) {
    epochs |= m.rfind("def", 0) == 0 || m.rfind("RT", 0) == 0;
    for (const char* timed : {"nmea/GGA", "nmea/RMC", "nmea/ZDA", "nmea/GLL", "nmea/GNS"})
      nmea |= m.rfind(timed, 0) == 0;
    const std::size_t slash = m.find('/');
    if (slash != std::string::npos)
      msm |= IsMsmItem(m.substr(0, slash), m.substr(slash + 1, m.find(':') - slash - 1));
  }
  // Files follow the stream's own time: ZRX time frames, else NMEA sentences with a time,
  // else the epochs of RTCM 3 MSM.
  options_.waitForEpoch = trackTime_ && (epochs || nmea || msm);
  options_.nmeaTime = !epochs && nmea;
  options_.rtcm3Time = !epochs && !nmea && msm;
  session_ = std::make_unique<GnssLogSession>(receiver_, namer_, options_);
  session_->setMessageCallback(message_);
  session_->setFileClosedCallback(fileClosed_);
  if (!session_->Start()) {
    lastError_ = session_->lastError();
    session_.reset();
    return false;
  }
  lastBytes_ = 0;
  lastChangeTick_ = tickMs();
  return true;
}

bool GnssLogger_NS3::IsOpen() { return session_ && session_->Running(); }

void GnssLogger_NS3::Stop() {
  if (!session_) return;
  session_->Stop();
  // The next run goes on counting files where this one stopped.
  options_.firstIndex = session_->nextIndex();
  bytesBefore_ += session_->stream().TotalBytes();
  epochsBefore_ += session_->epochs();
  session_.reset();
}

bool GnssLogger_NS3::DataArriving(int withinMs) {
  const std::uint64_t b = session_ ? session_->bytesReceived() : 0;
  if (b != lastBytes_) {
    lastBytes_ = b;
    lastChangeTick_ = tickMs();
  }
  return tickMs() - lastChangeTick_ < static_cast<std::uint32_t>(withinMs);
}

}  // namespace Gnss
