#include "NtripClient.h"

#include <algorithm>
#include <chrono>

#include "CasterExchange.h"
#include "ChunkedDecoder.h"
#include "NtripSocket.h"
#include "ResponseHeader.h"
#include "Rtcm3Frames.h"

namespace Ntrip {

namespace {

constexpr int kReadSliceMs = 200;
constexpr int kTableTimeoutMs = 10000;

long long nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

long long utcMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

NtripClient::NtripClient(ClientSettings settings, Sink sink)
    : settings_(std::move(settings)), sink_(std::move(sink)) {}

NtripClient::~NtripClient() {
  Stop();
}

void NtripClient::Start() {
  if (thread_.joinable()) return;
  stop_ = false;
  ending_ = Ending::Running;
  thread_ = std::thread([this] { run(); });
}

void NtripClient::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

ClientStatus NtripClient::Status() const {
  std::lock_guard l(lock_);
  ClientStatus s = status_;
  if (lastMessageMs_ >= 0) s.ageMs = nowMs() - lastMessageMs_;
  return s;
}

void NtripClient::setState(ClientStatus::State s, const std::string& text) {
  std::lock_guard l(lock_);
  status_.state = s;
  status_.text = text;
}

void NtripClient::finish(Ending e, const std::string& text) {
  setState(e == Ending::Stopped ? ClientStatus::State::Stopped : ClientStatus::State::Failed, text);
  ending_ = e;
}

bool NtripClient::pause(int ms) {
  const long long until = nowMs() + ms;
  while (!stop_.load() && nowMs() < until) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  return !stop_.load();
}

void NtripClient::run() {
  int delayMs = settings_.backoffFirstMs;
  int failures = 0;
  while (!stop_.load() && ending_.load() == Ending::Running) {
    const bool gotData = session();
    if (stop_.load() || ending_.load() != Ending::Running) break;
    if (gotData) {
      delayMs = settings_.backoffFirstMs;
      failures = 0;
    }
    if (settings_.maxAttempts > 0 && ++failures >= settings_.maxAttempts) {
      finish(Ending::GaveUp, Status().text);
      break;
    }
    {
      std::lock_guard l(lock_);
      status_.state = ClientStatus::State::Waiting;
      ++status_.reconnects;
    }
    if (!pause(delayMs)) break;
    delayMs = std::min(settings_.backoffMaxMs, delayMs * 2);
  }
  if (ending_.load() == Ending::Running) finish(Ending::Stopped, "stopped");
}

bool NtripClient::session() {
  setState(ClientStatus::State::Connecting, "connecting to " + settings_.caster.host);
  CasterRequest request = settings_.caster;
  GgaPosition p;
  if (request.version != 1 && settings_.ggaIntervalSec > 0 && currentPosition(p)) {
    request.gga = BuildGga(p, utcMs());
    request.gga.resize(request.gga.size() - 2);  // a header value carries no line end
  }
  NtripSocket socket(&stop_);
  ResponseHeader header;
  std::string rest, error;
  if (!OpenExchange(socket, request, BuildGetRequest(request), settings_.connectTimeoutMs, header, rest,
                    error)) {
    if (socket.Untrusted())
      finish(Ending::Untrusted, error);
    else
      setState(ClientStatus::State::Connecting, error);
    return false;
  }
  switch (Classify(header)) {
    case Refusal::None:
      return stream(socket, header.chunked(), std::move(rest));
    case Refusal::Unauthorized:
      finish(Ending::Unauthorized, RefusalText(header, request));
      return false;
    case Refusal::UnknownMount:
      socket.Close();
      setState(ClientStatus::State::Failed, RefusalText(header, request));
      unknownMount();
      return false;
    case Refusal::Other:
      setState(ClientStatus::State::Connecting, RefusalText(header, request));
      return false;
  }
  return false;
}

void NtripClient::unknownMount() {
  // Offer what the caster has instead, so the user can pick the right name.
  SourceTable table;
  std::string error, text = Status().text;
  if (FetchSourceTable(settings_.caster, &stop_, kTableTimeoutMs, table, error) && !table.streams.empty()) {
    std::lock_guard l(lock_);
    status_.mountList = table.MountList();
    text += "; its source table lists: " + status_.mountList;
  } else {
    text += "; see its source table (--sourcetable)";
  }
  finish(Ending::UnknownMount, text);
}

bool NtripClient::stream(NtripSocket& socket, bool chunked, std::string first) {
  setState(ClientStatus::State::Streaming,
           "connected to " + settings_.caster.host + "/" + settings_.caster.mount);
  Rtcm3Frames frames([this](unsigned type, const char*, std::size_t) {
    std::lock_guard l(lock_);
    ++status_.messages[type];
    lastMessageMs_ = nowMs();
  });
  ChunkedDecoder chunks;
  bool gotData = false;
  long long lastDataMs = nowMs(), nextGgaMs = 0;
  std::string piece = std::move(first), data;
  char buf[4096];
  while (!stop_.load()) {
    data.clear();
    if (chunked ? !chunks.Feed(piece.data(), piece.size(), data) : (data = piece, false)) {
      setState(ClientStatus::State::Connecting, "the caster's chunked stream is broken: " + chunks.error());
      return gotData;
    }
    if (!data.empty()) {
      gotData = true;
      lastDataMs = nowMs();
      frames.Feed(data.data(), data.size());
      if (!passOn(data.data(), data.size())) return gotData;
    }
    sendGgaIfDue(socket, nextGgaMs);
    updateRate(nowMs());
    if (chunks.done()) {
      setState(ClientStatus::State::Connecting, "the caster ended the stream");
      return gotData;
    }
    const int n = socket.Read(buf, sizeof buf, kReadSliceMs);
    if (n == 0 || n == -1) {
      setState(ClientStatus::State::Connecting, "the caster closed the connection");
      return gotData;
    }
    piece.assign(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
    if (n == -2 && nowMs() - lastDataMs >= settings_.stallTimeoutMs) {
      setState(ClientStatus::State::Connecting,
               "no data from the caster for " + std::to_string(settings_.stallTimeoutMs / 1000) + " s");
      return gotData;
    }
  }
  return gotData;
}

bool NtripClient::passOn(const char* bytes, std::size_t count) {
  if (destinationAway_ && !destinationBack()) {
    drop(count);
    return true;
  }
  std::string error;
  if (sink_(bytes, count, error)) {
    std::lock_guard l(lock_);
    status_.bytes += count;
    return true;
  }
  if (!settings_.reopenDestination) {
    finish(Ending::Destination, "the corrections cannot be passed on: " + error);
    return false;
  }
  destinationAway_ = true;
  reopenDelayMs_ = 0;
  {
    std::lock_guard l(lock_);
    droppedBefore_ = status_.dropped;
  }
  awaitReopen(error);
  drop(count);
  return true;
}

void NtripClient::drop(std::size_t count) {
  std::lock_guard l(lock_);
  status_.dropped += count;
}

// The next try at the away destination: after 1 s, then twice as long each time.
void NtripClient::awaitReopen(const std::string& error) {
  reopenDelayMs_ = reopenDelayMs_ == 0 ? 1000 : std::min(settings_.reopenMaxMs, reopenDelayMs_ * 2);
  reopenAtMs_ = nowMs() + reopenDelayMs_;
  setState(ClientStatus::State::Streaming,
           "the corrections cannot be passed on: " + error + "; they are dropped until it takes them again");
}

// Opens the failed destination again when its turn has come; true once it is back.
bool NtripClient::destinationBack() {
  if (nowMs() < reopenAtMs_) return false;
  std::string error;
  if (!settings_.reopenDestination(stop_, error)) {
    awaitReopen(error);
    return false;
  }
  destinationAway_ = false;
  std::uint64_t dropped;
  {
    std::lock_guard l(lock_);
    dropped = status_.dropped - droppedBefore_;
  }
  setState(ClientStatus::State::Streaming, "the destination takes corrections again (" + std::to_string(dropped) +
                                               " B were dropped while it was away)");
  return true;
}

bool NtripClient::currentPosition(GgaPosition& p) {
  if (settings_.position && settings_.position(p)) return true;
  if (!settings_.hasFixedPosition) return false;
  p = settings_.fixedPosition;
  return true;
}

void NtripClient::sendGgaIfDue(NtripSocket& socket, long long& nextGgaMs) {
  if (settings_.ggaIntervalSec <= 0 || nowMs() < nextGgaMs) return;
  GgaPosition p;
  if (!currentPosition(p)) return;  // try again at the next read slice
  nextGgaMs = nowMs() + settings_.ggaIntervalSec * 1000LL;
  std::string error;
  if (socket.WriteAll(BuildGga(p, utcMs()), kReadSliceMs * 5, error)) {
    std::lock_guard l(lock_);
    ++status_.ggaSent;
  }
}

void NtripClient::updateRate(long long now) {
  std::lock_guard l(lock_);
  if (rateSampleMs_ == 0) {
    rateSampleMs_ = now;
    rateSampleBytes_ = status_.bytes;
    return;
  }
  if (now - rateSampleMs_ < 1000) return;
  const double rate = static_cast<double>(status_.bytes - rateSampleBytes_) * 1000.0 /
                      static_cast<double>(now - rateSampleMs_);
  status_.bytesPerSecond = status_.bytesPerSecond == 0 ? rate : 0.5 * status_.bytesPerSecond + 0.5 * rate;
  rateSampleMs_ = now;
  rateSampleBytes_ = status_.bytes;
}

}  // namespace Ntrip
