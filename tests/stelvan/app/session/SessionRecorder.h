#pragma once
// What a receiver session tells its observer and its round listeners, recorded for tests that
// wait on it with generous bounds.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "session/ReceiverSession.h"

namespace sessiontest {

using session::ReceiverSession;
using session::SessionState;

// Records what the session tells; the tests wait on it with generous bounds.
class Recorder : public session::SessionObserver, public session::RoundListener {
 public:
  void stateChanged(SessionState from, SessionState to) override {
    std::lock_guard l(lock_);
    states_.push_back(to);
    changed_.notify_all();
  }
  void statusText(const std::string& text) override {
    std::lock_guard l(lock_);
    statuses_.push_back(text);
    changed_.notify_all();
  }
  void titleText(const std::string& title) override {
    std::lock_guard l(lock_);
    title_ = title;
    changed_.notify_all();
  }
  void serverEvent(std::uint8_t code, const std::string&) override {
    std::lock_guard l(lock_);
    events_.push_back(code);
    changed_.notify_all();
  }
  void round(const std::vector<std::string>&) override {
    std::lock_guard l(lock_);
    ++rounds_;
    changed_.notify_all();
  }
  void silence() override {}

  bool waitFor(const std::function<bool()>& ready, int seconds = 30) {
    std::unique_lock l(lock_);
    return changed_.wait_for(l, std::chrono::seconds(seconds), ready);
  }
  // The session is in the state and its observer has been told so: the session changes its
  // state before it tells, and a test that then reads states() must find the change there.
  bool waitForState(ReceiverSession& s, SessionState want, int seconds = 30) {
    return waitFor([&] { return s.state() == want && !states_.empty() && states_.back() == want; }, seconds);
  }
  bool waitForRounds(int more) {
    int target;
    {
      std::lock_guard l(lock_);
      target = rounds_ + more;
    }
    return waitFor([&] { return rounds_ >= target; });
  }
  bool waitForEvent(std::uint8_t code) {
    return waitFor([&] { return std::find(events_.begin(), events_.end(), code) != events_.end(); });
  }
  bool waitForStatus(const std::string& part) {
    return waitFor([&] { return !statuses_.empty() && statuses_.back().find(part) != std::string::npos; });
  }
  std::string title() {
    std::lock_guard l(lock_);
    return title_;
  }
  std::vector<SessionState> states() {
    std::lock_guard l(lock_);
    return states_;
  }
  std::string lastStatus() {
    std::lock_guard l(lock_);
    return statuses_.empty() ? std::string() : statuses_.back();
  }
  std::vector<std::string> statuses() {
    std::lock_guard l(lock_);
    return statuses_;
  }
  int rounds() {
    std::lock_guard l(lock_);
    return rounds_;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<SessionState> states_;
  std::vector<std::string> statuses_;
  std::vector<std::uint8_t> events_;
  std::string title_;
  int rounds_ = 0;
};

}  // namespace sessiontest
