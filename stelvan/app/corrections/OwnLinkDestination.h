#pragma once
// The "Corrections input" destination that is the receiver's own link: the corrections go
// through the program's receiver session (Gridlink) between its commands, so the main view
// stays live. Whole RTCM 3 frames per write, so that no command lands inside one. A write that
// finds the link busy (a long command or script) drops those corrections, which would be stale
// anyway; a link that stays busy, or a receiver that is closed or lost, ends the run with the
// reason. Open refuses a port whose input mode would read the corrections as commands. Holds a
// reference on the receiver for its life. Write runs on the client's thread.
#include <string>

#include "Destination.h"
#include "WholeFrames.h"

class CReceiver;

namespace corrections {

class OwnLinkDestination : public Ntrip::Destination {
 public:
  // Writes in a row that may find the link busy before the run ends.
  static constexpr int kBusyLimit = 10;

  OwnLinkDestination(CReceiver* receiver, std::string name);
  ~OwnLinkDestination() override;
  OwnLinkDestination(const OwnLinkDestination&) = delete;
  OwnLinkDestination& operator=(const OwnLinkDestination&) = delete;

  bool Open(std::string& error) override;
  bool Write(const char* bytes, std::size_t count, std::string& error) override;
  void Close() override {}
  std::string Describe() const override { return "the receiver's own link " + name_; }

 private:
  CReceiver* receiver_;
  std::string name_;
  Ntrip::WholeFrames frames_;
  std::string ready_;
  int busyInRow_ = 0;
};

}  // namespace corrections
