#pragma once
// A GSM modem before the receiver. In command mode it answers AT commands with
// "\r\n" + result + "\r\n" (echoing them until "ate0"); "atd<number>" connects
// after a while with "CONNECT <rate>", or answers the configured refusal. When
// a PIN is configured, the dial waits for the right "at+cpin=" and the CONNECT
// comes with that answer. In data mode every byte goes to the receiver, except
// a late "at+cpin" in the first seconds, which the modem still answers.
#include <cstdint>
#include <string>

#include "Front.h"
#include "Options.h"
#include "Wire.h"

namespace rcvsim {

class ModemFront : public Front {
 public:
  ModemFront(Wire& wire, const Options& options);
  void onBytes(const char* bytes, std::size_t count, std::string& toReceiver) override;
  void tick() override;
  bool receiverReached() const override { return state_ == State::Data; }

 private:
  void command(const std::string& line);
  void answer(const std::string& text) { wire_.send("\r\n" + text + "\r\n"); }
  static std::int64_t nowMs();

  enum class State { Command, AwaitPin, Dialling, Data } state_ = State::Command;
  Wire& wire_;
  const Options& options_;
  std::string line_;
  bool echo_ = true;
  std::int64_t dialDoneMs_ = 0, connectedMs_ = 0;
};

}  // namespace rcvsim
