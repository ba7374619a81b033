#pragma once
// The "Corrections input" destination that is the receiver's own link: the corrections go
// through the program's receiver session (Gridlink) between its commands, so the main view
// stays live. Whole RTCM 3 frames per write, so that no command lands inside one. The receiver
// is reached through the session's lease, one write at a time: while the session does not show
// it (a tool has it, its link is being recovered) the corrections are dropped and counted, as
// they would be stale anyway, and once it is live again they go to the receiver it has then,
// whose port's input mode is checked again first. The session ending (Disconnect) ends the run
// with the reason, as do a port that would read them as commands and a link that stays busy
// or fails while live. Open runs on the owner's thread, Write on the client's; Notice any.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "Destination.h"
#include "WholeFrames.h"

class CReceiver;

namespace session {
class ReceiverLease;
}

namespace corrections {

class OwnLinkDestination : public Ntrip::Destination {
 public:
  // Writes in a row that may find the live link busy or failing before the run ends.
  static constexpr int kBusyLimit = 10;

  // How the run stands, for the dialog.
  struct Notice {
    std::string paused;         // why the corrections are dropped now; empty while they flow
    std::string ended;          // why the session's end ends the run; empty until then
    std::uint64_t dropped = 0;  // correction bytes dropped (paused, or the live link busy)
  };

  OwnLinkDestination(std::shared_ptr<session::ReceiverLease> lease, std::string name);
  OwnLinkDestination(const OwnLinkDestination&) = delete;
  OwnLinkDestination& operator=(const OwnLinkDestination&) = delete;

  bool Open(std::string& error) override;
  bool Write(const char* bytes, std::size_t count, std::string& error) override;
  void Close() override {}
  std::string Describe() const override { return "the receiver's own link " + name_; }
  Notice now() const;

 private:
  bool checkPort(CReceiver* receiver, std::string& error) const;
  bool writeLive(std::uint64_t epoch, std::string& error);
  void pause(const std::string& why, std::size_t bytes);
  std::string failed(const std::string& why) const { return "the receiver's link " + name_ + ": " + why; }

  std::shared_ptr<session::ReceiverLease> lease_;
  std::string name_;
  std::uint64_t serial_;     // the session the run started in
  std::uint64_t epoch_ = 0;  // the live spell whose port was checked
  Ntrip::WholeFrames frames_;
  std::string ready_;
  int busyInRow_ = 0;
  mutable std::mutex lock_;  // paused_
  std::string paused_;
  std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace corrections
