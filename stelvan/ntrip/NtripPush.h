#pragma once
// A base station's stream pushed to an NTRIP caster (1.0 "SOURCE", 2.0 "POST"
// with chunked coding) on a thread of its own. Push never waits for the
// network: bytes go into a bounded queue (the oldest are dropped when the
// caster is slower than the stream or away), so whoever produces the stream,
// the logger's files included, is never held up. Reconnects with a bounded
// back-off; a refused login is retried too (the caster may come right).
//
// Threads: Start, Stop from the owner; Push and Status from any thread.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "NtripRequest.h"
#include "Rtcm3Frames.h"

namespace Ntrip {

struct PushSettings {
  CasterRequest caster;
  bool rtcm3Only = false;  // pass whole RTCM 3 frames only
  std::size_t queueBytes = 256 * 1024;
  int connectTimeoutMs = 10000;
  int writeTimeoutMs = 5000;
  int backoffFirstMs = 1000;
  int backoffMaxMs = 60000;
};

struct PushStatus {
  bool connected = false;
  std::uint64_t sent = 0, dropped = 0;
  int reconnects = 0;
  std::string text;
};

class NtripPush {
 public:
  explicit NtripPush(PushSettings settings);
  ~NtripPush();
  NtripPush(const NtripPush&) = delete;
  NtripPush& operator=(const NtripPush&) = delete;

  void Start();
  void Stop();
  void Push(const char* bytes, std::size_t count);
  PushStatus Status() const;

 private:
  void run();
  void session();
  bool sendQueued(class NtripSocket& socket);
  void enqueue(const char* bytes, std::size_t count);
  void setText(const std::string& text, bool connected);
  bool pause(int ms);

  PushSettings settings_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex lock_;
  std::condition_variable wake_;
  std::deque<std::string> queue_;
  std::size_t queued_ = 0;
  Rtcm3Frames frames_;
  PushStatus status_;
};

}  // namespace Ntrip
