#pragma once
// The rover's side of NTRIP: on a thread of its own, connects to a caster,
// asks for a mount point's stream (1.0 or 2.0), uploads the rover's position
// as GGA when asked, and passes every correction byte to a sink; reconnects
// with a bounded back-off when the caster goes away or the stream stops.
// A refused login or an unknown mount point ends it (Failed): retrying would
// not help. Every wait is bounded; Stop returns within about 200 ms plus the
// sink's own time.
//
// Threads: Start, Stop and the destructor from one owner thread; Status from
// any thread. The sink and the position source run on the client's thread.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "ClientStatus.h"
#include "GgaSentence.h"
#include "NtripRequest.h"

namespace Ntrip {

struct ClientSettings {
  CasterRequest caster;
  // GGA upload: every ggaIntervalSec seconds when > 0, from `position` (which
  // returns false while no position is known) or else from `fixedPosition`.
  int ggaIntervalSec = 0;
  std::function<bool(GgaPosition&)> position;
  GgaPosition fixedPosition;
  bool hasFixedPosition = false;
  int connectTimeoutMs = 10000;  // connect, request and the answer's header
  int stallTimeoutMs = 20000;    // a stream that brings nothing for this long is reconnected
  int backoffFirstMs = 1000;     // reconnect after 1 s, 2 s, 4 s, ... up to backoffMaxMs
  int backoffMaxMs = 60000;
  int maxAttempts = 0;  // connection attempts in a row without data; 0: no limit
  // When set, a destination that fails is opened again with this (which should give up when
  // `stop` is set) after 1 s, 2 s, 4 s, ... up to reopenMaxMs, and the corrections that come
  // meanwhile are dropped: a receiver unplugged or restarted takes corrections again once it is
  // back, without a hand on the program. Unset: a failing destination ends the client.
  std::function<bool(const std::atomic<bool>& stop, std::string& error)> reopenDestination;
  int reopenMaxMs = 30000;
};

class NtripClient {
 public:
  // Receives corrections; returns false when the destination failed (with the reason).
  using Sink = std::function<bool(const char* bytes, std::size_t count, std::string& error)>;
  // Untrusted: the caster's TLS certificate was refused (trying again would not help).
  enum class Ending { Running, Stopped, Unauthorized, UnknownMount, Destination, GaveUp, Untrusted };

  NtripClient(ClientSettings settings, Sink sink);
  ~NtripClient();
  NtripClient(const NtripClient&) = delete;
  NtripClient& operator=(const NtripClient&) = delete;

  void Start();
  void Stop();
  ClientStatus Status() const;
  // Why the client ended; Running while it runs.
  Ending ending() const { return ending_.load(); }

 private:
  void run();
  // One connection; true when it brought stream data (the back-off starts afresh).
  bool session();
  bool stream(class NtripSocket& socket, bool chunked, std::string first);
  bool passOn(const char* bytes, std::size_t count);
  void drop(std::size_t count);
  void awaitReopen(const std::string& error);
  bool destinationBack();
  void sendGgaIfDue(class NtripSocket& socket, long long& nextGgaMs);
  bool currentPosition(GgaPosition& p);
  void unknownMount();
  void setState(ClientStatus::State s, const std::string& text);
  void finish(Ending e, const std::string& text);
  bool pause(int ms);
  void updateRate(long long now);

  ClientSettings settings_;
  Sink sink_;
  std::atomic<bool> stop_{false};
  std::atomic<Ending> ending_{Ending::Running};
  std::thread thread_;
  mutable std::mutex lock_;
  ClientStatus status_;
  long long lastMessageMs_ = -1;
  // The destination failed and is being opened again (client thread only).
  bool destinationAway_ = false;
  long long reopenAtMs_ = 0;
  int reopenDelayMs_ = 0;
  std::uint64_t droppedBefore_ = 0;
  long long rateSampleMs_ = 0;
  std::uint64_t rateSampleBytes_ = 0;
};

}  // namespace Ntrip
