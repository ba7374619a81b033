#include "corrections/OwnLinkDestination.h"

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
  if (receiver_) return true;
  error = "no receiver is connected: connect to the receiver first";
  return false;
}

bool OwnLinkDestination::Write(const char* bytes, std::size_t count, std::string& error) {
  ready_.clear();
  frames_.Feed(bytes, count, ready_);
  if (ready_.empty()) return true;
  std::string reply;
  if (receiver_->WriteRaw(ready_.data(), ready_.size(), reply) == 1) {
    busyInRow_ = 0;
    return true;
  }
  if (reply == CReceiver::kRawWriteBusy && ++busyInRow_ < kBusyLimit) return true;
  error = "the receiver's link " + name_ + ": " + reply;
  return false;
}

}  // namespace corrections
