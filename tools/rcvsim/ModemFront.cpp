#include "ModemFront.h"

#include <cctype>
#include <chrono>

namespace rcvsim {

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool isOneOf(const std::string& s, std::initializer_list<const char*> words) {
  for (const char* w : words)
    if (s == w) return true;
  return false;
}

}  // namespace

ModemFront::ModemFront(Wire& wire, const Options& options)
    : wire_(wire), options_(options), simLocked_(!options.modemPin.empty()) {}

std::int64_t ModemFront::nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void ModemFront::onBytes(const char* bytes, std::size_t count, std::string& toReceiver) {
  if (state_ == State::Data) {
    dataBytes(bytes, count, toReceiver);
    return;
  }
  lastRxMs_ = nowMs();
  for (std::size_t i = 0; i < count; ++i) {
    const char c = bytes[i];
    if (echo_ && state_ != State::Dialling) wire_.send(std::string(1, c));
    if (c == '\r' || c == '\n') {
      if (!line_.empty()) command(line_);
      line_.clear();
      if (state_ == State::Data) return;
    } else if (line_.size() < 64) {
      line_.push_back(c);
    }
  }
}

void ModemFront::dataBytes(const char* bytes, std::size_t count, std::string& toReceiver) {
  const std::int64_t now = nowMs();
  const bool quietBefore = now - lastRxMs_ >= kGuardMs;
  lastRxMs_ = now;
  for (std::size_t i = 0; i < count; ++i) {
    const bool startsEscape = heldPluses_.empty() && i == 0 && quietBefore;
    if (bytes[i] == '+' && heldPluses_.size() < 3 && (startsEscape || !heldPluses_.empty())) {
      heldPluses_.push_back('+');
      continue;
    }
    toReceiver += heldPluses_;  // not an escape after all
    heldPluses_.clear();
    toReceiver.push_back(bytes[i]);
  }
}

void ModemFront::command(const std::string& raw) {
  // A command starts at "AT": what came before it (noise at a wrong line speed) is dropped.
  std::string cmd = lower(raw);
  if (const std::size_t at = cmd.find("at"); at != std::string::npos) cmd.erase(0, at);
  if (state_ == State::Dialling) return;  // busy dialling
  if (cmd.rfind("at", 0) != 0) {
    answer("ERROR");
    return;
  }
  const std::string rest = cmd.substr(2);
  if (isOneOf(rest, {"", "e1", "v1", "z"})) {
    echo_ = rest == "e1" ? true : echo_;
    answer("OK");
  } else if (rest == "e0") {
    echo_ = false;
    answer("OK");
  } else if (isOneOf(rest, {"h", "h0"})) {
    state_ = State::Command;  // the call, if any, ends
    answer("OK");
  } else if (rest == "o" && state_ == State::OnlineCommand) {
    state_ = State::Data;
    answer("CONNECT " + std::to_string(options_.rate));
  } else if (rest.rfind("+cpin", 0) == 0) {
    simCommand(rest);
  } else if (rest.rfind("d", 0) == 0) {
    if (state_ == State::OnlineCommand) {
      answer("ERROR");
    } else if (simLocked_) {
      answer("+CME ERROR: SIM PIN required");
    } else {
      state_ = State::Dialling;
      dialDoneMs_ = nowMs() + options_.modemDialMs;
    }
  } else {
    answer("OK");
  }
}

void ModemFront::simCommand(const std::string& rest) {
  if (rest == "+cpin?") {
    // One write, as a modem sends it: the result code never trails behind on its own.
    wire_.send(std::string("\r\n") + (simLocked_ ? "+CPIN: SIM PIN" : "+CPIN: READY") + "\r\n\r\nOK\r\n");
    return;
  }
  if (rest.rfind("+cpin=", 0) != 0) {
    answer("ERROR");
    return;
  }
  if (!simLocked_) {
    answer("+CME ERROR: operation not allowed");
    return;
  }
  const std::string pin = rest.substr(6);
  const std::string want = lower(options_.modemPin);
  if (pin != "\"" + want + "\"" && pin != want) {
    answer("+CME ERROR: incorrect password");
    return;
  }
  simLocked_ = false;
  answer("OK");
}

void ModemFront::tick() {
  const std::int64_t now = nowMs();
  if (state_ == State::Data && heldPluses_ == "+++" && now - lastRxMs_ >= kGuardMs) {
    heldPluses_.clear();
    state_ = State::OnlineCommand;
    answer("OK");
    return;
  }
  if (state_ != State::Dialling || now < dialDoneMs_) return;
  if (!options_.modemRefuse.empty()) {
    state_ = State::Command;
    answer(options_.modemRefuse);
    return;
  }
  state_ = State::Data;
  lastRxMs_ = now;
  answer("CONNECT " + std::to_string(options_.rate));
}

}  // namespace rcvsim
