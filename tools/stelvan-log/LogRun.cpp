#include "LogRun.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

#include "ReceiverModel.h"
#include "StoppableConnect.h"
#include "logger/ClosedFileActions.h"
#include "logger/GnssLogSession.h"
#include "logger/TLRcvModel.h"

namespace stelvanlog {

namespace {
using Clock = std::chrono::steady_clock;
std::mutex g_out;

// Sleeps up to `ms`; false when a stop was asked for or the deadline passed.
bool pause(int ms, const std::atomic<bool>& stop, Clock::time_point deadline) {
  const auto until = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < until) {
    if (stop || Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return !stop && Clock::now() < deadline;
}

std::string seconds(Clock::duration d) {
  return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(d).count()) + " s";
}

class Runner {
 public:
  Runner(const Options& o, Journal& j, const std::atomic<bool>& stop, const StreamTap& tap)
      : o_(o),
        journal_(j),
        stop_(stop),
        tap_(tap),
        model_(Tellus::ReceiverModel::create()),
        receiver_(model_.get()),
        session_(receiver_, o.namer, o.log) {
    session_.setMessageCallback([this](const std::string& l) { journal_.info(l); });
    session_.setErrorCallback([this](const std::string& l) { journal_.error(l); });
    if (!o_.onClose.empty()) session_.setFileClosedCallback([this](const std::string& f) { runOnClose(f); });
    deadline_ = o.seconds > 0 ? Clock::now() + std::chrono::seconds(o.seconds) : Clock::time_point::max();
  }

  int run() {
    if (!connect()) {
      if (stop_) return 0;
      journal_.error("cannot connect to " + o_.connection + ": " + model_->lastError());
      return 1;
    }
    if (!session_.Start()) {
      journal_.error("the receiver refused to start logging: " + session_.lastError());
      model_->disconnect();
      return 1;
    }
    if (tap_) tap_(*model_.get(), true);
    while (watch()) {
      if (!reconnect()) break;
    }
    session_.Stop();
    if (tap_) tap_(*model_.get(), false);
    model_->disconnect();
    return 0;
  }

 private:
  bool connect() {
    return Tellus::ConnectStoppable(*model_.get(), o_.connection,
                                    [this] { return stop_ || Clock::now() >= deadline_; });
  }

  // Returns when the line is lost (true) or the run ends (false).
  bool watch() {
    std::uint64_t seen = session_.bytesReceived();
    lastByte_ = Clock::now();
    const auto silence = std::chrono::milliseconds(static_cast<long>(o_.silenceSec * 1000));
    while (pause(100, stop_, deadline_)) {
      const std::uint64_t b = session_.bytesReceived();
      if (b != seen) seen = b, lastByte_ = Clock::now();
      std::string why;
      if (model_->lineLost())
        why = "the port hung up or failed to read";
      else if (Clock::now() - lastByte_ > silence)
        why = "no data for " + seconds(Clock::now() - lastByte_);
      if (why.empty()) continue;
      const std::string file = session_.currentFile();
      journal_.error(Gnss::localClock() + " line lost (" + why + ")" +
                     (file.empty() ? "" : "; closing " + file));
      return true;
    }
    return false;
  }

  // Closes what is open, then tries again and again; false when the run ends first.
  bool reconnect() {
    session_.Stop();
    model_->disconnect();
    int wait = 1;
    std::string said;
    for (;;) {
      if (!pause(wait * 1000, stop_, deadline_)) return false;
      if (connect() && session_.Start()) break;
      const std::string why = model_->isConnected() ? session_.lastError() : model_->lastError();
      model_->disconnect();
      wait = std::min(wait * 2, o_.maxBackoffSec);
      if (why != said) journal_.error(Gnss::localClock() + " reconnecting failed: " + why + "; trying again");
      said = why;
    }
    journal_.error(Gnss::localClock() + " line restored after a gap of " + seconds(Clock::now() - lastByte_) +
                   "; logging again");
    return true;
  }

  void runOnClose(const std::string& file) {
    std::vector<std::string> args = {o_.onClose, file};
    if (o_.hasOnCloseArg) args.push_back(o_.onCloseArg);
    std::string why;
    const int code = Gnss::RunProgram(args, "", why);
    if (code != 0)
      journal_.error(o_.onClose + " for " + file + ": " +
                     (code < 0 ? why : "exit code " + std::to_string(code)));
  }

  const Options& o_;
  Journal& journal_;
  const std::atomic<bool>& stop_;
  const StreamTap& tap_;
  engine::Ref<Tellus::ReceiverModel> model_;
  Gnss::TLRcvModel receiver_;
  Gnss::GnssLogSession session_;
  Clock::time_point deadline_, lastByte_;
};

}  // namespace

void Journal::info(const std::string& line) {
  std::lock_guard l(g_out);
  std::fprintf(stdout, "%s\n", line.c_str());
  std::fflush(stdout);
}

void Journal::error(const std::string& line) {
  std::lock_guard l(g_out);
  std::fprintf(stderr, "stelvan-log: %s\n", line.c_str());
  std::fflush(stderr);
}

int RunLogger(const Options& o, Journal& journal, const std::atomic<bool>& stop, const StreamTap& tap) {
  Runner runner(o, journal, stop, tap);
  return runner.run();
}

}  // namespace stelvanlog
