#pragma once
// The receiver's network-port login: "\r\nlogin:" at once, any user name, then
// "\r\npassword:"; a right password (or any, when none is set) is answered with
// a text holding "RE" and the receiver takes over; a wrong one is answered with
// an "ER" text and the connection is closed. The prompt may be sent in pieces,
// a while apart, as a slow network port sends it.
#include <cstdint>
#include <string>

#include "Front.h"
#include "Wire.h"

namespace rcvsim {

class LoginFront : public Front {
 public:
  LoginFront(Wire& wire, std::string password, int promptPieces = 1, int pieceGapMs = 0);
  void onBytes(const char* bytes, std::size_t count, std::string& toReceiver) override;
  void tick() override;
  bool wantsClose() const override { return closeAtMs_ >= 0 && nowMs() >= closeAtMs_; }

 private:
  static std::int64_t nowMs();
  enum class State { User, Password, Open, Refused } state_ = State::User;
  Wire& wire_;
  std::string password_, line_;
  std::string promptLeft_;  // pieces of the prompt not sent yet
  std::size_t pieceSize_ = 0;
  int pieceGapMs_ = 0;
  std::int64_t nextPieceMs_ = 0;
  std::int64_t closeAtMs_ = -1;
};

}  // namespace rcvsim
