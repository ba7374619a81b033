#include "session/ReceiverLease.h"

#include <utility>

#include "gridlink/CReceiver.h"

namespace session {

ReceiverLease::~ReceiverLease() {
  if (receiver_) receiver_->Release();
}

std::uint64_t ReceiverLease::serial() const {
  std::lock_guard l(lock_);
  return serial_;
}

ReceiverLease::Look ReceiverLease::look(std::uint64_t serial) const {
  std::lock_guard l(lock_);
  Look out;
  if (serial <= endedSerial_) {
    out.kind = Kind::Ended;
    out.why = endedWhy_;
  } else if (open_ && state_ == SessionState::Live) {
    out.kind = Kind::Live;
    out.receiver = receiver_;
    out.receiver->AddRef();
    out.epoch = epoch_;
  } else {
    out.why = pausedText();
  }
  return out;
}

bool ReceiverLease::run(std::uint64_t epoch, const std::function<void(CReceiver*)>& call) {
  CReceiver* receiver;
  {
    std::lock_guard l(lock_);
    if (!open_ || state_ != SessionState::Live || epoch != epoch_) return false;
    receiver = receiver_;
    receiver->AddRef();  // the session may end meanwhile and let its own go
    ++calls_;
  }
  call(receiver);
  receiver->Release();
  std::lock_guard l(lock_);
  if (--calls_ == 0) idle_.notify_all();
  return true;
}

void ReceiverLease::open(CReceiver* receiver) {
  receiver->AddRef();
  std::lock_guard l(lock_);
  if (receiver_) receiver_->Release();
  receiver_ = receiver;
  open_ = true;
  ++epoch_;
}

void ReceiverLease::close() {
  std::unique_lock l(lock_);
  open_ = false;
  // A call under way is one bounded write or command of Gridlink's.
  idle_.wait(l, [this] { return calls_ == 0; });
}

void ReceiverLease::stateChanged(SessionState to) {
  std::lock_guard l(lock_);
  state_ = to;
}

void ReceiverLease::lendTo(const std::string& tool) {
  std::lock_guard l(lock_);
  tool_ = tool;
}

void ReceiverLease::begin() {
  std::lock_guard l(lock_);
  if (endedSerial_ == serial_) ++serial_;
}

void ReceiverLease::end(const std::string& why) {
  CReceiver* receiver;
  {
    std::lock_guard l(lock_);
    if (endedSerial_ != serial_) {
      endedSerial_ = serial_;
      endedWhy_ = why;
    }
    open_ = false;
    receiver = std::exchange(receiver_, nullptr);
  }
  if (receiver) receiver->Release();
}

std::string ReceiverLease::pausedText() const {
  switch (state_) {
    case SessionState::ToolHoldsReceiver:
      return "the receiver is in use by " + (tool_.empty() ? std::string("a tool") : tool_);
    case SessionState::Reconnecting:
      return "the receiver's link is lost; the session is trying it again";
    case SessionState::Connecting:
      return "the session is opening the receiver again";
    case SessionState::ManualOnly:
      return "the receiver is in manual mode";
    case SessionState::Live:
    case SessionState::Idle:
      break;
  }
  return "the session is not showing the receiver";
}

}  // namespace session
