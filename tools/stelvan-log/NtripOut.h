#pragma once
// stelvan-log's stream to an NTRIP caster: takes its own options out of the
// command line before the logger reads the rest, listens to the receiver's
// raw stream beside the files and hands it to an NtripPush, whose thread and
// bounded queue keep the caster's troubles away from the files. Prints its
// state changes, and a status line a minute, on standard error.
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "IReceiverModel.h"
#include "NtripPush.h"

namespace stelvanlog {

class NtripOut : public Tellus::IStreamListener {
 public:
  ~NtripOut() override;
  // Removes "--ntrip-out URL", "--ntrip-messages all|rtcm3" and
  // "--ntrip-version 1|2" from argv. False with the reason on a bad value.
  bool TakeOptions(int& argc, char** argv, std::string& error);
  bool enabled() const { return enabled_; }
  void Start(Tellus::IReceiverModel& model);
  void Stop(Tellus::IReceiverModel& model);
  static const char* usage();

  void onData(const std::uint8_t* bytes, std::size_t count) override;

 private:
  void report();

  bool enabled_ = false;
  Ntrip::PushSettings settings_;
  std::unique_ptr<Ntrip::NtripPush> push_;
  std::atomic<bool> stop_{false};
  std::thread reporter_;
};

}  // namespace stelvanlog
