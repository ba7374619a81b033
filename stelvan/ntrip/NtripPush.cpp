#include "NtripPush.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "CasterExchange.h"
#include "NtripSocket.h"

namespace Ntrip {

NtripPush::NtripPush(PushSettings settings)
    : settings_(std::move(settings)),
      frames_([this](unsigned, const char* frame, std::size_t length) { enqueue(frame, length); }) {}

NtripPush::~NtripPush() {
  Stop();
}

void NtripPush::Start() {
  if (thread_.joinable()) return;
  stop_ = false;
  thread_ = std::thread([this] { run(); });
}

void NtripPush::Stop() {
  stop_ = true;
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void NtripPush::Push(const char* bytes, std::size_t count) {
  std::lock_guard l(lock_);
  if (settings_.rtcm3Only)
    frames_.Feed(bytes, count);  // calls enqueue for each whole frame
  else
    enqueue(bytes, count);
  wake_.notify_one();
}

void NtripPush::enqueue(const char* bytes, std::size_t count) {
  // Caller holds lock_.
  queue_.emplace_back(bytes, count);
  queued_ += count;
  while (queued_ > settings_.queueBytes && !queue_.empty()) {
    queued_ -= queue_.front().size();
    status_.dropped += queue_.front().size();
    queue_.pop_front();
  }
}

PushStatus NtripPush::Status() const {
  std::lock_guard l(lock_);
  return status_;
}

void NtripPush::setText(const std::string& text, bool connected) {
  std::lock_guard l(lock_);
  status_.text = text;
  status_.connected = connected;
}

bool NtripPush::pause(int ms) {
  std::unique_lock l(lock_);
  wake_.wait_for(l, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
  return !stop_.load();
}

void NtripPush::run() {
  int delayMs = settings_.backoffFirstMs;
  while (!stop_.load()) {
    const auto began = std::chrono::steady_clock::now();
    session();
    if (stop_.load()) break;
    // A connection that held for a while starts the back-off afresh.
    if (std::chrono::steady_clock::now() - began > std::chrono::seconds(30))
      delayMs = settings_.backoffFirstMs;
    {
      std::lock_guard l(lock_);
      ++status_.reconnects;
      char again[48];
      std::snprintf(again, sizeof again, "; again in %.1f s", delayMs / 1000.0);
      status_.text += again;
    }
    if (!pause(delayMs)) break;
    delayMs = std::min(settings_.backoffMaxMs, delayMs * 2);
  }
  setText("stopped", false);
}

void NtripPush::session() {
  const CasterRequest& r = settings_.caster;
  const std::string where = r.host + ":" + std::to_string(r.port) + "/" + r.mount;
  setText("connecting to " + where, false);
  NtripSocket socket(&stop_);
  ResponseHeader header;
  std::string rest, error;
  if (!OpenExchange(socket, r, BuildSourceRequest(r), settings_.connectTimeoutMs, header, rest, error)) {
    setText(error, false);
    return;
  }
  if (!(header.kind() == ResponseHeader::Kind::Icy ||
        (header.kind() == ResponseHeader::Kind::Http && header.status() / 100 == 2))) {
    setText(Classify(header) == Refusal::Unauthorized
                ? "the caster " + r.host + ":" + std::to_string(r.port) + " refused the password for " +
                      r.mount + " (" + header.statusLine() + ")"
                : "the caster refused the stream for " + r.mount + ": " + header.statusLine(),
            false);
    return;
  }
  {
    // What waited while there was no caster is stale now.
    std::lock_guard l(lock_);
    status_.dropped += queued_;
    queue_.clear();
    queued_ = 0;
  }
  setText("sending to " + where, true);
  while (!stop_.load() && sendQueued(socket)) {
    char buf[512];
    const int n = socket.Read(buf, sizeof buf, 1);  // a caster that hangs up shows here
    if (n == 0 || n == -1) {
      setText("the caster closed the connection", false);
      return;
    }
  }
}

bool NtripPush::sendQueued(NtripSocket& socket) {
  std::deque<std::string> batch;
  {
    std::unique_lock l(lock_);
    wake_.wait_for(l, std::chrono::milliseconds(200), [this] { return stop_.load() || !queue_.empty(); });
    batch.swap(queue_);
    queued_ = 0;
  }
  const bool chunked = settings_.caster.version != 1;
  std::string out;
  for (const std::string& piece : batch) out += chunked ? ChunkEncode(piece.data(), piece.size()) : piece;
  if (out.empty()) return true;
  std::string error;
  if (!socket.WriteAll(out, settings_.writeTimeoutMs, error)) {
    setText("sending to the caster failed: " + error, false);
    return false;
  }
  std::lock_guard l(lock_);
  for (const std::string& piece : batch) status_.sent += piece.size();
  return true;
}

}  // namespace Ntrip
