#include "LoginFront.h"

#include <chrono>

namespace rcvsim {

LoginFront::LoginFront(Wire& wire, std::string password, int promptPieces, int pieceGapMs)
    : wire_(wire), password_(std::move(password)), promptLeft_("\r\nlogin:"), pieceGapMs_(pieceGapMs) {
  const std::size_t pieces = promptPieces < 1 ? 1 : static_cast<std::size_t>(promptPieces);
  pieceSize_ = (promptLeft_.size() + pieces - 1) / pieces;
  tick();
}

std::int64_t LoginFront::nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void LoginFront::onBytes(const char* bytes, std::size_t count, std::string& toReceiver) {
  for (std::size_t i = 0; i < count; ++i) {
    if (state_ == State::Open) {
      toReceiver.append(bytes + i, count - i);
      return;
    }
    if (state_ == State::Refused) return;
    const char c = bytes[i];
    if (c == '\r') continue;
    if (c != '\n') {
      if (line_.size() < 256) line_.push_back(c);
      continue;
    }
    if (state_ == State::User) {
      state_ = State::Password;
      wire_.send("\r\npassword:");
    } else if (password_.empty() || line_ == password_) {
      state_ = State::Open;
      wire_.send("\r\nRE:Login accepted\r\nLogged in on /dev/tcp/a\r\n");
    } else {
      state_ = State::Refused;
      wire_.send("\r\nER:Login incorrect\r\n");
      closeAtMs_ = nowMs() + 200;  // let the answer reach the peer first
    }
    line_.clear();
  }
}

void LoginFront::tick() {
  if (promptLeft_.empty() || nowMs() < nextPieceMs_) return;
  wire_.send(promptLeft_.substr(0, pieceSize_));
  promptLeft_.erase(0, pieceSize_);
  nextPieceMs_ = nowMs() + pieceGapMs_;
}

}  // namespace rcvsim
