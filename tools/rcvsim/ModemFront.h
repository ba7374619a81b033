#pragma once
// A GSM modem before the receiver. In command mode it answers AT commands with
// "\r\n" + result + "\r\n" (echoing them until "ate0"). With a PIN configured
// its SIM starts locked: "at+cpin?" says "+CPIN: SIM PIN" (else "+CPIN: READY"),
// "atd" is refused with "+CME ERROR: SIM PIN required" until the right
// "at+cpin=" unlocks it. "atd<number>" connects after a while with
// "CONNECT <rate>", or answers the configured refusal. In data mode every byte
// goes to the receiver, except the escape: "+++" with a guard time of silence
// before and after brings back command mode with the call still up ("OK"),
// where "ath" hangs up and "ato" goes back online.
#include <cstdint>
#include <string>

#include "Front.h"
#include "Options.h"
#include "Wire.h"

namespace rcvsim {

class ModemFront : public Front {
 public:
  static constexpr std::int64_t kGuardMs = 1000;  // the usual S12 of one second

  ModemFront(Wire& wire, const Options& options);
  void onBytes(const char* bytes, std::size_t count, std::string& toReceiver) override;
  void tick() override;
  bool receiverReached() const override { return state_ == State::Data; }

 private:
  void command(const std::string& line);
  void simCommand(const std::string& rest);
  void dataBytes(const char* bytes, std::size_t count, std::string& toReceiver);
  void answer(const std::string& text) { wire_.send("\r\n" + text + "\r\n"); }
  static std::int64_t nowMs();

  // OnlineCommand: escaped from data mode, the call still up.
  enum class State { Command, Dialling, Data, OnlineCommand } state_ = State::Command;
  Wire& wire_;
  const Options& options_;
  std::string line_;
  bool echo_ = true;
  bool simLocked_;
  std::int64_t dialDoneMs_ = 0;
  std::int64_t lastRxMs_ = 0;
  std::string heldPluses_;  // a possible escape, held back from the receiver
};

}  // namespace rcvsim
