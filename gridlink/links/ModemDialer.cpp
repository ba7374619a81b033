#include "gridlink/ModemDialer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "gridlink/CLogFile.h"
#include "gridlink/platform/Clock.h"
#include "links/CSerialConnection.h"
#include "links/ModemAnswer.h"
#include "links/SerialLine.h"

namespace {
constexpr std::uint32_t kReadSliceMs = 100;  // how soon a cancel is seen
constexpr std::size_t kReadChunk = 512;
}  // namespace

bool ModemTarget::Parse(const std::string& text, std::string& error) {
  std::vector<char> portField(text.size() + 1), numberField(text.size() + 1), pinField(text.size() + 1);
  unsigned speed = kDefaultRate;
  const int fields = std::sscanf(text.c_str(), "GSM%[^:]:%[^:]:%[^:]:%u", portField.data(), numberField.data(),
                                 pinField.data(), &speed);
  if (fields < 3) {
    error = "ER:Modem string needs GSM + port + :number:PIN - " + text;
    return false;
  }
  const auto rates = CSerialConnection::RateTable();
  if (std::find(rates.begin() + 1, rates.end(), speed) == rates.end()) {
    error = "Error baud!!";
    return false;
  }
  port = portField.data();
  number = numberField.data();
  pin = pinField.data();
  rate = speed;
  return true;
}

std::string ModemTarget::DevicePath() const {
  return CSerialConnection::DevicePath(port);
}

ModemDialer::ModemDialer(Platform::SerialPort& port)
    : m_Port(port), m_Answer(std::make_unique<ModemAnswer>()) {}

ModemDialer::~ModemDialer() = default;

bool ModemDialer::fail(const char* why) {
  if (m_Failure.empty()) m_Failure = why;
  return false;
}

bool ModemDialer::Dial(const ModemTarget& target, const std::atomic<bool>* cancel) {
  m_Cancel = cancel;
  const bool connected = dial(target);
  m_Cancel = nullptr;  // a hang-up is never given up
  return connected;
}

bool ModemDialer::dial(const ModemTarget& target) {
  m_Said.clear();
  m_Failure.clear();
  m_Lost = false;
  m_Rate = target.rate;
  // The SIM is unlocked before dialling: a modem with a locked SIM refuses to dial.
  if (!wake()) return fail("the modem does not answer at any line speed");
  if (!exchange("atv1", kVerboseMs)) return fail("the modem does not answer");
  if (!unlockSim(target.pin)) return false;
  if (!exchange("atd" + target.number, kDialMs) || m_Said.find("CONNECT") == std::string::npos)
    return fail("the modem did not connect the call");
  return true;
}

bool ModemDialer::wake() {
  if (exchange("ate0", kEchoOffMs) && answerIs("OK")) return true;
  // Not at the speed the string names: the modem may keep another one.
  const auto rates = CSerialConnection::RateTable();
  for (auto it = rates.begin() + 1; it != rates.end() && !m_Lost; ++it) {  // the first is another link's latest
    const std::uint32_t rate = *it;
    if (rate == m_Rate || !m_Port.SetSpeed(rate)) continue;
    m_Port.Purge(true, true);
    if (exchange("ate0", kRateProbeMs) && answerIs("OK")) {
      ClientLog().WriteTimed("Dev/MODEM: the modem answers at " + std::to_string(rate) + " bit/s");
      m_Rate = rate;
      return true;
    }
  }
  m_Port.SetSpeed(m_Rate);
  return false;
}

bool ModemDialer::unlockSim(const std::string& pin) {
  if (!exchange("at+cpin?", kSimQueryMs, true)) return fail("the modem does not answer the SIM query");
  const std::string state = m_Answer->Answer();
  if (state.find("READY") != std::string::npos) return true;
  const bool wantsPin = state.find("SIM PIN") != std::string::npos;
  if (state.find("SIM PUK") != std::string::npos) return fail("the SIM is blocked and wants its PUK");
  if (wantsPin && pin == "0") return fail("the SIM wants a PIN and the receiver string gives none");
  // A modem that cannot tell ("ERROR") gets the PIN when there is one, and dials otherwise.
  if (!wantsPin && pin == "0") return true;
  if (exchange("at+cpin=\"" + pin + "\"", kPinMs) && answerIs("OK")) return true;
  return fail("the SIM refused the PIN");
}

bool ModemDialer::answerIs(const char* text) const {
  return m_Answer->Complete() && m_Answer->Answer() == text;
}

bool ModemDialer::resultIs(const char* text) const {
  if (!m_Answer->Complete()) return false;
  const std::string& all = m_Answer->Answer();
  const std::size_t last = all.rfind('\n');
  return all.compare(last == std::string::npos ? 0 : last + 1, std::string::npos, text) == 0;
}

bool ModemDialer::exchange(const std::string& command, std::uint32_t timeoutMs, bool untilResult) {
  if (command.size() > kMaxAtCommand || m_Lost) return false;
  const std::string line = command[0] == '+' ? command : command + "\r";
  ClientLog().WriteTimed("\tModem < " + command);
  if (untilResult)
    m_Answer->ExpectFinal(command);
  else
    m_Answer->Expect(command);
  const int sent = WriteSerialBounded(m_Port, line.data(), line.size());
  m_LastWrite = Platform::GetTickCount();
  if (sent != static_cast<int>(line.size())) return false;
  const std::uint32_t start = Platform::GetTickCount();
  char chunk[kReadChunk];
  while (!m_Answer->Complete()) {
    if (m_Cancel && m_Cancel->load()) return false;
    const std::uint32_t spent = Platform::GetTickCount() - start;
    if (spent >= timeoutMs) return false;
    const int n = m_Port.Read(chunk, sizeof chunk, std::min(timeoutMs - spent, kReadSliceMs));
    if (n < 0) {
      const int err = m_Port.LastError();
      if (err == EINTR || err == EAGAIN) continue;
      m_Lost = true;
      return false;
    }
    m_Said.append(chunk, static_cast<std::size_t>(n));
    m_Answer->Add(chunk, static_cast<std::size_t>(n));
  }
  ClientLog().WriteTimed("\tModem < " + m_Answer->Answer());
  return true;
}

bool ModemDialer::HangUp(std::uint32_t quietMs) {
  m_Said.clear();
  m_Lost = false;
  // Dropping DTR ends the call at once where the port has the line; "at" then proves it.
  if (dropDtr()) {
    m_Port.Purge(true, false);
    // The modem may report the ended call ("NO CARRIER") before it answers: a second "at".
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (!exchange("at", kEscapeAnswerMs, true)) break;
      if (resultIs("OK")) {
        ClientLog().WriteTimed("Dev/MODEM: hung up (DTR)");
        return true;
      }
    }
  }
  // The escape needs a guard time of silence before and after "+++". What the receiver sent
  // until then is no answer of the modem's.
  const std::uint32_t sinceOwn = Platform::GetTickCount() - m_LastWrite;
  const std::uint32_t quiet = std::min(quietMs, sinceOwn);
  if (quiet < kGuardMs + kGuardMarginMs) Platform::Sleep(kGuardMs + kGuardMarginMs - quiet);
  m_Port.Purge(true, false);
  const bool escaped = exchange("+++", kGuardMs + kEscapeAnswerMs, true) && resultIs("OK");
  const bool hungUp = escaped && exchange("ath", kHangUpMs, true) && resultIs("OK");
  ClientLog().WriteTimed(hungUp ? std::string("Dev/MODEM: hung up")
                                : "Dev/MODEM: the modem did not confirm the hang-up - " + m_Said);
  return hungUp;
}

bool ModemDialer::dropDtr() {
  if (m_Port.SetDtr(false) != Platform::SerialSupport::Done) return false;
  Platform::Sleep(kDtrDropMs);
  m_Port.SetDtr(true);
  return true;
}
