#pragma once
// ReceiverLease: the live session's receiver for a writer on another thread (corrections
// through the receiver's own link), one short call at a time. It is open only while the
// session thread shows the receiver (Live); the session thread closes it before it closes or
// reopens the receiver, and waits for the calls under way, so that no call lands in a receiver
// a tool has been lent. Each live spell gets a new epoch: a writer that finds a new one knows
// the receiver was closed and opened again (a tool, a lost receiver) and checks it afresh.
// The session that ends (Idle) ends the lease for good: a writer of that session is told why.
//
// Threads: look(), serial() and run() from any thread; the rest from the session (its owner's
// thread or its session thread, as noted).
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "session/SessionState.h"

class CReceiver;

namespace session {

class ReceiverLease {
 public:
  enum class Kind { Live, Paused, Ended };
  // What a writer finds. With Live, `receiver` is the receiver with a reference taken for the
  // caller (release it), `epoch` its live spell; with Paused or Ended, `why` in words.
  struct Look {
    Kind kind = Kind::Paused;
    CReceiver* receiver = nullptr;
    std::uint64_t epoch = 0;
    std::string why;
  };

  ReceiverLease() = default;
  ~ReceiverLease();
  ReceiverLease(const ReceiverLease&) = delete;
  ReceiverLease& operator=(const ReceiverLease&) = delete;

  // The session a writer started in: later looks with it say Ended once that session ended.
  std::uint64_t serial() const;
  Look look(std::uint64_t serial) const;
  // Runs call(receiver) while the lease stays open in spell `epoch`; false (nothing ran) when
  // it is closed or in another spell. The session's closing waits for it: keep it short.
  bool run(std::uint64_t epoch, const std::function<void(CReceiver*)>& call);

  // Session thread: the receiver is live (a new epoch) / about to be closed (waits for run()).
  void open(CReceiver* receiver);
  void close();
  // The session's state, for the words of a pause; a tool's name before it takes the receiver.
  void stateChanged(SessionState to);
  void lendTo(const std::string& tool);
  // Owner thread: a new session begins (connect).
  void begin();
  // The session ended (Disconnect, a failure): its writers are told `why` (the first reason
  // given for it stays).
  void end(const std::string& why);

 private:
  std::string pausedText() const;  // under lock_

  mutable std::mutex lock_;
  std::condition_variable idle_;
  CReceiver* receiver_ = nullptr;  // a reference of our own, kept until end
  bool open_ = false;
  int calls_ = 0;  // run() calls under way
  std::uint64_t epoch_ = 0;
  std::uint64_t serial_ = 1;
  std::uint64_t endedSerial_ = 0;  // the latest session that ended
  std::string endedWhy_;
  SessionState state_ = SessionState::Idle;
  std::string tool_;
};

}  // namespace session
