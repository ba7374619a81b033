#include "corrections/OwnLinkDestination.h"

#include "InputMode.h"
#include "gridlink/CReceiver.h"

namespace corrections {

OwnLinkDestination::OwnLinkDestination(CReceiver* receiver, std::string name)
    : receiver_(receiver), name_(std::move(name)) {
  if (receiver_) receiver_->AddRef();
}

OwnLinkDestination::~OwnLinkDestination() {
  if (receiver_) receiver_->Release();
}

bool OwnLinkDestination::Open(std::string& error) {
  if (!receiver_) {
    error = "no receiver is connected: connect to the receiver first";
    return false;
  }
  std::string reply;
  receiver_->SendCommand(Ntrip::kInputModeQuery, reply);
  error = Ntrip::InputModeRefusal(Ntrip::InputModeOf(reply));
  if (error.empty()) return true;
  error = "the receiver's link " + name_ + ": " + error;
  return false;
}

bool OwnLinkDestination::Write(const char* bytes, std::size_t count, std::string& error) {
  ready_.clear();
  frames_.Feed(bytes, count, ready_);
  if (ready_.empty()) return true;
  // Pieces that fit one request even through a remote server, so no command splits a frame.
  for (const std::string& piece : Ntrip::WholeFrames::Pieces(ready_, CReceiver::kRawWriteRemoteChunk)) {
    std::string reply;
    if (receiver_->WriteRaw(piece.data(), piece.size(), reply) == 1) {
      busyInRow_ = 0;
      continue;
    }
    if (reply == CReceiver::kRawWriteBusy && ++busyInRow_ < kBusyLimit) continue;
    error = "the receiver's link " + name_ + ": " + reply;
    return false;
  }
  return true;
}

}  // namespace corrections
