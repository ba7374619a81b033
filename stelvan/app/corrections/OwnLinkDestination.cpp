#include "corrections/OwnLinkDestination.h"

#include "InputMode.h"
#include "gridlink/CReceiver.h"
#include "session/ReceiverLease.h"

namespace corrections {
namespace {

using Lease = session::ReceiverLease;

// The reference a live look took on the receiver, given back at the end of the scope.
struct Held {
  explicit Held(CReceiver* r) : receiver(r) {}
  ~Held() {
    if (receiver) receiver->Release();
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  CReceiver* receiver;
};

}  // namespace

OwnLinkDestination::OwnLinkDestination(std::shared_ptr<Lease> lease, std::string name)
    : lease_(std::move(lease)), name_(std::move(name)), serial_(lease_->serial()) {}

bool OwnLinkDestination::Open(std::string& error) {
  const Lease::Look look = lease_->look(serial_);
  const Held held(look.receiver);
  if (look.kind != Lease::Kind::Live) {
    error = look.kind == Lease::Kind::Ended || look.why.empty()
                ? std::string("no receiver is connected: connect to the receiver first")
                : "the receiver cannot take them now: " + look.why;
    return false;
  }
  if (!checkPort(look.receiver, error)) return false;
  epoch_ = look.epoch;
  return true;
}

bool OwnLinkDestination::checkPort(CReceiver* receiver, std::string& error) const {
  std::string reply;
  receiver->SendCommand(Ntrip::kInputModeQuery, reply);
  const std::string refusal = Ntrip::InputModeRefusal(Ntrip::InputModeOf(reply));
  if (refusal.empty()) return true;
  error = failed(refusal);
  return false;
}

bool OwnLinkDestination::Write(const char* bytes, std::size_t count, std::string& error) {
  ready_.clear();
  frames_.Feed(bytes, count, ready_);
  if (ready_.empty()) return true;
  {
    const Lease::Look look = lease_->look(serial_);
    const Held held(look.receiver);
    if (look.kind == Lease::Kind::Ended) {
      error = failed(look.why);
      return false;
    }
    if (look.kind == Lease::Kind::Paused) {
      pause(look.why, ready_.size());
      return true;
    }
    // Live again after the receiver was closed (a tool may have changed its port meanwhile).
    if (look.epoch != epoch_) {
      if (!checkPort(look.receiver, error)) return false;
      epoch_ = look.epoch;
      busyInRow_ = 0;
    }
  }
  return writeLive(epoch_, error);
}

bool OwnLinkDestination::writeLive(std::uint64_t epoch, std::string& error) {
  // Pieces that fit one request even through a remote server, so no command splits a frame.
  const auto pieces = Ntrip::WholeFrames::Pieces(ready_, CReceiver::kRawWriteRemoteChunk);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const std::string& piece = pieces[i];
    std::string reply;
    int written = 0;
    if (!lease_->run(epoch,
                     [&](CReceiver* r) { written = r->WriteRaw(piece.data(), piece.size(), reply); })) {
      // The session let the receiver go meanwhile: the rest waits for nothing.
      std::size_t rest = 0;
      for (std::size_t j = i; j < pieces.size(); ++j) rest += pieces[j].size();
      const Lease::Look look = lease_->look(serial_);
      const Held held(look.receiver);
      pause(look.why.empty() ? std::string("the session closed the receiver") : look.why, rest);
      return true;
    }
    if (written == 1) {
      busyInRow_ = 0;
      continue;
    }
    // A busy link, or one that broke before the session noticed and began to recover it.
    dropped_ += piece.size();
    if (++busyInRow_ < kBusyLimit) continue;
    error = failed(reply);
    return false;
  }
  std::lock_guard l(lock_);
  paused_.clear();
  return true;
}

void OwnLinkDestination::pause(const std::string& why, std::size_t bytes) {
  dropped_ += bytes;
  std::lock_guard l(lock_);
  paused_ = why;
}

OwnLinkDestination::Notice OwnLinkDestination::now() const {
  Notice n;
  {
    std::lock_guard l(lock_);
    n.paused = paused_;
  }
  n.dropped = dropped_.load();
  const Lease::Look look = lease_->look(serial_);
  const Held held(look.receiver);
  if (look.kind == Lease::Kind::Ended) n.ended = failed(look.why);
  return n;
}

}  // namespace corrections
