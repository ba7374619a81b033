#include "ReceiverLink.h"

#include "InputMode.h"
#include "StoppableConnect.h"

namespace ntriptool {

namespace {
constexpr int kCommandTimeoutMs = 3000;
constexpr std::size_t kMaxLine = 256;
}  // namespace

ReceiverLink::~ReceiverLink() {
  Close();
}

bool ReceiverLink::Open(std::string& error) {
  model_ = Tellus::ReceiverModel::create();
  if (!model_->connect(connection_, nullptr)) {
    error = "cannot open the receiver " + connection_ + ": " + model_->lastError();
    return false;
  }
  return true;
}

bool ReceiverLink::StartGga(std::string& error) {
  ggaWanted_ = true;
  if (!listening_) model_->addStreamListener(this);
  listening_ = true;
  std::string reply;
  if (model_->execute("em,,nmea/GGA:1", reply, kCommandTimeoutMs) != 1) {
    error = "the receiver " + connection_ +
            " refused GGA output: " + (reply.empty() ? model_->lastError() : reply);
    return false;
  }
  ggaOn_ = true;
  return true;
}

void ReceiverLink::Close() {
  if (!model_) return;
  if (ggaOn_) {
    std::string reply;
    model_->execute("dm", reply, kCommandTimeoutMs);
    ggaOn_ = false;
  }
  if (listening_) model_->removeStreamListener(this);
  listening_ = false;
  model_->disconnect();
  model_.reset();
}

bool ReceiverLink::Reopen(const std::atomic<bool>& stop, std::string& error) {
  if (!model_) return Open(error);
  // The old link is gone: no "dm" to send on it; the stream listener stays with the model.
  ggaOn_ = false;
  model_->disconnect();
  {
    std::lock_guard l(lock_);
    line_.clear();
  }
  if (!Tellus::ConnectStoppable(*model_.get(), connection_, [&stop] { return stop.load(); })) {
    error = stop.load() ? std::string("stopped")
                        : "cannot open the receiver " + connection_ + ": " + model_->lastError();
    return false;
  }
  return (!ggaWanted_ || StartGga(error)) && TakesCorrections(error);
}

bool ReceiverLink::Position(Ntrip::GgaPosition& out) {
  std::lock_guard l(lock_);
  if (hasPosition_) out = position_;
  return hasPosition_;
}

bool ReceiverLink::TakesCorrections(std::string& error) {
  std::string reply;
  model_->execute(Ntrip::kInputModeQuery, reply, kCommandTimeoutMs);
  error = Ntrip::InputModeRefusal(Ntrip::InputModeOf(reply));
  if (error.empty()) return true;
  error = "the receiver's link " + connection_ + ": " + error;
  return false;
}

bool ReceiverLink::Write(const char* bytes, std::size_t count, std::string& error) {
  if (model_ && model_->writeRaw(std::string(bytes, count))) return true;
  error = "the receiver " + connection_ + ": " + (model_ ? model_->lastError() : std::string("not open"));
  return false;
}

void ReceiverLink::onData(const std::uint8_t* bytes, std::size_t count) {
  // Picks NMEA GGA lines out of whatever else the link carries (replies, ZRX).
  std::lock_guard l(lock_);
  for (std::size_t i = 0; i < count; ++i) {
    const char c = static_cast<char>(bytes[i]);
    if (c == '$')
      line_.assign(1, c);
    else if (c == '\n' || c == '\r') {
      Ntrip::GgaPosition p;
      if (line_.size() > 6 && Ntrip::PositionFromGga(line_, p)) {
        position_ = p;
        hasPosition_ = true;
      }
      line_.clear();
    } else if (!line_.empty() && line_.size() < kMaxLine) {
      line_ += c;
    }
  }
}

}  // namespace ntriptool
