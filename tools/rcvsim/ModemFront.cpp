#include "ModemFront.h"

#include <cctype>
#include <chrono>

namespace rcvsim {

namespace {
constexpr std::int64_t kLatePinMs = 3000;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

ModemFront::ModemFront(Wire& wire, const Options& options) : wire_(wire), options_(options) {}

std::int64_t ModemFront::nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void ModemFront::onBytes(const char* bytes, std::size_t count, std::string& toReceiver) {
  if (state_ == State::Data) {
    std::string in(bytes, count);
    // A PIN sent after CONNECT is still the modem's business for a moment.
    if (nowMs() - connectedMs_ < kLatePinMs && lower(in).rfind("at+cpin", 0) == 0) {
      answer("OK");
      return;
    }
    toReceiver += in;
    return;
  }
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

void ModemFront::command(const std::string& raw) {
  const std::string cmd = lower(raw);
  if (state_ == State::Dialling) return;  // busy dialling
  if (cmd.rfind("at", 0) != 0 && cmd.rfind("+", 0) != 0) {
    answer("ERROR");
    return;
  }
  const std::string rest = cmd.substr(cmd[0] == '+' ? 0 : 2);
  if (rest == "" || rest == "e1" || rest == "v1" || rest == "z" || rest == "h" || rest == "h0") {
    answer("OK");
    echo_ = rest == "e1" ? true : echo_;
  } else if (rest == "e0") {
    echo_ = false;
    answer("OK");
  } else if (rest.rfind("d", 0) == 0) {
    if (!options_.modemPin.empty()) {
      state_ = State::AwaitPin;
      answer("OK");
    } else {
      state_ = State::Dialling;
      dialDoneMs_ = nowMs() + options_.modemDialMs;
    }
  } else if (rest.rfind("+cpin=", 0) == 0) {
    const std::string pin = rest.substr(6);
    const std::string want = "\"" + lower(options_.modemPin) + "\"";
    if (!options_.modemPin.empty() && pin != want && pin != lower(options_.modemPin)) {
      answer("ERROR");
    } else if (state_ == State::AwaitPin) {
      state_ = State::Dialling;
      dialDoneMs_ = nowMs() + options_.modemDialMs;
    } else {
      answer("OK");
    }
  } else {
    answer("OK");
  }
}

void ModemFront::tick() {
  if (state_ != State::Dialling || nowMs() < dialDoneMs_) return;
  if (!options_.modemRefuse.empty()) {
    state_ = State::Command;
    answer(options_.modemRefuse);
    return;
  }
  state_ = State::Data;
  connectedMs_ = nowMs();
  answer("CONNECT " + std::to_string(options_.rate));
}

}  // namespace rcvsim
