#pragma once
// The receiver reached through its own link (the receiver model): the source
// of the rover position uploaded as GGA, and the RCV: destination, whose
// corrections are written between commands (the model serialises a raw write
// with the commands, so a command is never split). Open and Close from the
// main thread; Position, Write and Reopen from the client's thread.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "Destination.h"
#include "GgaSentence.h"
#include "IReceiverModel.h"
#include "ReceiverModel.h"
#include "WholeFrames.h"

namespace ntriptool {

class ReceiverLink : public Tellus::IStreamListener {
 public:
  explicit ReceiverLink(std::string connection) : connection_(std::move(connection)) {}
  ~ReceiverLink() override;
  bool Open(std::string& error);
  // Asks the receiver for one GGA a second on this link.
  bool StartGga(std::string& error);
  void Close();
  // The receiver's latest fixed position; false until it has one.
  bool Position(Ntrip::GgaPosition& out);
  // False, with the reason and the remedy, when the port's input mode would read corrections
  // as commands.
  bool TakesCorrections(std::string& error);
  bool Write(const char* bytes, std::size_t count, std::string& error);
  // The link failed: opens the receiver again (GGA output again if it was on) and checks
  // that its port still takes corrections. Gives up when `stop` is set.
  bool Reopen(const std::atomic<bool>& stop, std::string& error);
  const std::string& connection() const { return connection_; }

  void onData(const std::uint8_t* bytes, std::size_t count) override;

 private:
  std::string connection_;
  engine::Ref<Tellus::ReceiverModel> model_;
  bool listening_ = false, ggaOn_ = false, ggaWanted_ = false;
  std::mutex lock_;
  std::string line_;
  Ntrip::GgaPosition position_;
  bool hasPosition_ = false;
};

// The RCV: destination on a ReceiverLink (not owned). An RTCM 3 frame goes in one write, so
// that no command lands inside it.
class ReceiverDestination : public Ntrip::Destination {
 public:
  explicit ReceiverDestination(ReceiverLink& link) : link_(link) {}
  bool Open(std::string& error) override { return link_.TakesCorrections(error); }
  bool Write(const char* bytes, std::size_t count, std::string& error) override {
    ready_.clear();
    frames_.Feed(bytes, count, ready_);
    return ready_.empty() || link_.Write(ready_.data(), ready_.size(), error);
  }
  void Close() override {}
  bool Reopen(const std::atomic<bool>& stop, std::string& error) override {
    frames_ = Ntrip::WholeFrames();  // a frame cut by the failure is not finished on the new link
    return link_.Reopen(stop, error);
  }
  std::string Describe() const override { return "the receiver's link " + link_.connection(); }

 private:
  ReceiverLink& link_;
  Ntrip::WholeFrames frames_;
  std::string ready_;
};

}  // namespace ntriptool
