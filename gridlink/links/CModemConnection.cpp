#include "links/CModemConnection.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "gridlink/CLogFile.h"
#include "gridlink/platform/Clock.h"
#include "gridlink/platform/MessagePump.h"
#include "gridlink/platform/SystemError.h"
#include "links/CSerialConnection.h"

namespace {
constexpr std::uint32_t kReaderStartMs = 5000;
constexpr std::uint32_t kReaderStopMs = 7000;
}  // namespace

CModemConnection::CModemConnection(CLinkOwner& owner, const std::string& receiverString)
    : CReceiverConnection(owner) {
  if (!parse(receiverString) || !openPort() || !startReader()) return;
  dial();
}

CModemConnection::~CModemConnection() {
  if (m_Connected) hangUp();
  stopReader();
  m_Port.Close();
}

bool CModemConnection::parse(const std::string& receiverString) {
  std::vector<char> port(receiverString.size() + 1), number(receiverString.size() + 1),
      pin(receiverString.size() + 1);
  unsigned rate = kModemRate;
  const int fields = std::sscanf(receiverString.c_str(), "GSM%[^:]:%[^:]:%[^:]:%u", port.data(),
                                 number.data(), pin.data(), &rate);
  if (fields < 3) {
    SetStatusText("ER:Modem string needs GSM + port + :number:PIN - " + receiverString);
    return false;
  }
  const auto rates = CSerialConnection::RateTable();
  if (std::find(rates.begin() + 1, rates.end(), rate) == rates.end()) {
    SetStatusText("Error baud!!");
    return false;
  }
  m_PortName = port.data();
  m_Number = number.data();
  m_Pin = pin.data();
  m_Rate = rate;
  return true;
}

bool CModemConnection::openPort() {
  if (!m_Port.Open(CSerialConnection::DevicePath(m_PortName))) {
    SetStatusText("COM " + Platform::SystemErrorText(m_Port.LastError()));
    return false;
  }
  Purge();
  if (!m_Port.SetSpeed(m_Rate)) {
    SetStatusText("ER:SetCommState() failed");
    return false;
  }
  // The modem paces us with CTS; DTR and RTS up. A pseudo-terminal has no such lines.
  if (!m_Port.SetHardwareFlowControl(true))
    ClientLog().WriteTimed("Dev/MODEM: no CTS handshake on this port");
  m_Port.SetDtr(true);
  m_Port.SetRts(true);
  if (!m_LineErrors.Start(m_Port)) {
    SetStatusText("ER:ClearCommError() failed");
    return false;
  }
  return true;
}

bool CModemConnection::startReader() {
  {
    std::lock_guard<std::mutex> lock(m_DialLock);
    m_Dialling = true;
  }
  Platform::Event started(Platform::EventReset::Manual);
  const bool ok = m_Reader.Start([this, &started](Platform::ThreadContext& ctx) {
    ClientLog().WriteTimed("Dev/MODEM thread started");
    started.Set();  // `started` is not touched after this
    readerLoop(ctx);
    ClientLog().WriteTimed("Dev/MODEM thread terminated.\r\n");
  });
  if (!ok || started.Wait(kReaderStartMs) != Platform::WaitResult::Signalled) {
    m_Reader.Stop(kReaderStartMs);
    SetStatusText("COM Thread aborted!");
    return false;
  }
  return true;
}

void CModemConnection::readerLoop(Platform::ThreadContext& ctx) {
  std::vector<char> chunk(kReadChunk);
  while (!ctx.StopRequested()) {
    const int n = m_Port.Read(chunk.data(), chunk.size(), kReaderSliceMs);
    if (n < 0) {
      const int err = errno;
      if (err == EINTR || err == EAGAIN) continue;
      MarkLinkLost("Receiver link lost: COM " + Platform::SystemErrorText(err));
      m_LineEvent.Set();  // a dialogue waiting for an answer learns at once
      return;
    }
    if (n == 0) {
      OnReaderIdle();
      continue;
    }
    if (const char* text = m_LineErrors.Check(m_Port)) {
      SetStatusText(text);
      ClientLog().WriteTimed(text);
    }
    {
      std::lock_guard<std::mutex> lock(m_DialLock);
      if (m_Dialling) {
        m_Collected.append(chunk.data(), static_cast<std::size_t>(n));
        if (!m_Answer.Complete() && m_Answer.Add(chunk.data(), static_cast<std::size_t>(n)))
          m_LineEvent.Set();
        continue;
      }
    }
    OnReceive(reinterpret_cast<const std::uint8_t*>(chunk.data()), static_cast<std::size_t>(n));
  }
}

void CModemConnection::dial() {
  // The SIM is unlocked before dialling: a modem with a locked SIM refuses to dial.
  bool answered =
      wakeModem() && atExchange("atv1", kVerboseMs) && unlockSim() && atExchange("atd" + m_Number, kDialMs);
  std::string collected;
  {
    std::lock_guard<std::mutex> lock(m_DialLock);
    m_Dialling = false;  // from here on the receiver dialogue has the bytes
    collected.swap(m_Collected);
  }
  if (!answered || collected.find("CONNECT") == std::string::npos) {
    SetStatusText("ER:error login! - " + collected);
    return;
  }
  Platform::PumpMessages();
  ResetFraming();
  m_Connected = true;
  SetStatusText("");
}

bool CModemConnection::wakeModem() {
  if (atExchange("ate0", kEchoOffMs) && answerIs("OK")) return true;
  // Not at the speed the string names: the modem may keep another one.
  const auto rates = CSerialConnection::RateTable();
  for (auto it = rates.begin() + 1; it != rates.end(); ++it) {  // the first is another link's latest
    const std::uint32_t rate = *it;
    if (rate == m_Rate || !m_Port.SetSpeed(rate)) continue;
    Purge();
    if (atExchange("ate0", kRateProbeMs) && answerIs("OK")) {
      ClientLog().WriteTimed("Dev/MODEM: the modem answers at " + std::to_string(rate) + " bit/s");
      m_Rate = rate;
      return true;
    }
  }
  m_Port.SetSpeed(m_Rate);
  return false;
}

bool CModemConnection::unlockSim() {
  if (!atExchange("at+cpin?", kSimQueryMs, true)) return false;
  std::string state;
  {
    std::lock_guard<std::mutex> lock(m_DialLock);
    state = m_Answer.Answer();
  }
  if (state.find("READY") != std::string::npos) return true;
  const bool wantsPin = state.find("SIM PIN") != std::string::npos;
  if (state.find("SIM PUK") != std::string::npos || (wantsPin && m_Pin == "0"))
    return false;  // locked for good, or no PIN to give: the collected text says which
  // A modem that cannot tell ("ERROR") gets the PIN when there is one, and dials otherwise.
  if (!wantsPin && m_Pin == "0") return true;
  return atExchange("at+cpin=\"" + m_Pin + "\"", kPinMs) && answerIs("OK");
}

bool CModemConnection::answerIs(const char* text) {
  std::lock_guard<std::mutex> lock(m_DialLock);
  return m_Answer.Complete() && m_Answer.Answer() == text;
}

bool CModemConnection::atExchange(const std::string& command, std::uint32_t timeoutMs, bool untilResult) {
  if (command.size() > kMaxAtCommand || LinkLost()) return false;
  const std::string line = command[0] == '+' ? command : command + "\r";
  ClientLog().WriteTimed("\tModem < " + command);
  {
    std::lock_guard<std::mutex> lock(m_DialLock);
    if (untilResult)
      m_Answer.ExpectFinal(command);
    else
      m_Answer.Expect(command);
    m_LineEvent.Reset();
  }
  if (Write(line.data(), line.size()) != static_cast<int>(line.size())) return false;
  if (m_LineEvent.Wait(timeoutMs) != Platform::WaitResult::Signalled) return false;
  std::lock_guard<std::mutex> lock(m_DialLock);
  if (!m_Answer.Complete()) return false;  // woken by a lost line
  ClientLog().WriteTimed("\tModem < " + m_Answer.Answer());
  return true;
}

int CModemConnection::Write(const void* bytes, std::size_t count) {
  const int n = WriteSerialBounded(m_Port, bytes, count);
  m_LastWrite = Platform::GetTickCount();
  return n;
}

void CModemConnection::hangUp() {
  {
    std::lock_guard<std::mutex> lock(m_DialLock);
    m_Dialling = true;  // the modem's answers are ours again
    m_Collected.clear();
  }
  m_Connected = false;
  if (LinkLost()) return;
  // Dropping DTR ends the call at once where the port has the line; "at" then proves it.
  if (dropDtr() && atExchange("at", kEscapeAnswerMs) && answerIs("OK")) {
    ClientLog().WriteTimed("Dev/MODEM: hung up (DTR)");
    return;
  }
  // The escape needs a guard time of silence before and after "+++".
  const std::uint32_t quiet = Platform::GetTickCount() - m_LastWrite.load();
  if (quiet < kGuardMs + kGuardMarginMs) Platform::Sleep(kGuardMs + kGuardMarginMs - quiet);
  const bool escaped = atExchange("+++", kGuardMs + kEscapeAnswerMs) && answerIs("OK");
  const bool hungUp = escaped && atExchange("ath", kHangUpMs) && answerIs("OK");
  std::string said;
  {
    std::lock_guard<std::mutex> lock(m_DialLock);
    said = m_Collected;
  }
  ClientLog().WriteTimed(hungUp ? std::string("Dev/MODEM: hung up")
                                : "Dev/MODEM: the modem did not confirm the hang-up - " + said);
}

bool CModemConnection::dropDtr() {
  if (m_Port.SetDtr(false) != Platform::SerialSupport::Done) return false;
  Platform::Sleep(kDtrDropMs);
  m_Port.SetDtr(true);
  return true;
}

int CModemConnection::SetFlowControl(bool on) {
  if (!m_Port.IsOpen()) return 0;
  if (!on) m_Port.SetRts(true);
  return m_Port.SetHardwareFlowControl(on) ? 1 : 0;
}

bool CModemConnection::SetBaudRate(std::uint32_t rate) {
  if (!m_Port.IsOpen() || !m_Port.SetSpeed(rate)) return false;
  Purge();
  return true;
}

void CModemConnection::Purge() {
  if (m_Port.IsOpen()) m_Port.Purge(true, true);
  ResetFraming();
}

void CModemConnection::stopReader() {
  RequestReaderStop();
  if (m_Reader.Joinable() && !m_Reader.Stop(kReaderStopMs))
    ClientLog().WriteTimed("Dev/MODEM thread did not stop in time");
}
