#pragma once
// The work behind the "Corrections input" dialog, without widgets: one
// correction client with its destination, the receiver position it uploads,
// and a source table fetched in the background. The GUI thread owns these
// objects and polls them; their threads never touch a widget.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "Destination.h"
#include "NtripClient.h"
#include "SourceTable.h"

namespace corrections {

// The receiver's latest position, set on the GUI thread, read on the client's.
class SharedPosition {
 public:
  void Set(const Ntrip::GgaPosition& p);
  bool Get(Ntrip::GgaPosition& out) const;

 private:
  mutable std::mutex lock_;
  Ntrip::GgaPosition position_;
  bool known_ = false;
};

class CorrectionsRun {
 public:
  ~CorrectionsRun() { Stop(); }
  // Opens the destination and starts the client; false with the reason.
  bool Start(Ntrip::ClientSettings settings, const std::string& destination, std::string& error);
  // The same with a destination made by the caller; openNow false: the client's thread opens it.
  bool Start(Ntrip::ClientSettings settings, std::unique_ptr<Ntrip::Destination> destination, bool openNow,
             std::string& error);
  void Stop();
  bool Running() const { return client_ != nullptr; }
  // The client's status; Idle when none runs.
  Ntrip::ClientStatus Status() const;
  bool Ended() const { return client_ && client_->ending() != Ntrip::NtripClient::Ending::Running; }
  SharedPosition& position() { return *position_; }

 private:
  std::shared_ptr<SharedPosition> position_ = std::make_shared<SharedPosition>();
  std::unique_ptr<Ntrip::Destination> destination_;
  std::unique_ptr<Ntrip::NtripClient> client_;
};

// One source table request on a thread of its own; Done() is polled.
class SourceTableFetch {
 public:
  ~SourceTableFetch() { Cancel(); }
  void Begin(const Ntrip::CasterRequest& caster);
  void Cancel();
  bool Busy() const { return thread_.joinable() && !done_.load(); }
  // Once done: true with the table, or false with the reason. Takes the result.
  bool Take(Ntrip::SourceTable& table, std::string& error);

 private:
  std::thread thread_;
  std::atomic<bool> cancel_{false}, done_{false};
  bool ok_ = false;
  Ntrip::SourceTable table_;
  std::string error_;
};

}  // namespace corrections
