#include "links/CModemConnection.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include "gridlink/CLogFile.h"
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
  stopReader();
  m_Port.Close();
}

bool CModemConnection::parse(const std::string& receiverString) {
  std::vector<char> port(receiverString.size() + 1), number(receiverString.size() + 1),
      pin(receiverString.size() + 1);
  if (std::sscanf(receiverString.c_str(), "GSM%[^:]:%[^:]:%s", port.data(), number.data(), pin.data()) < 3) {
    SetStatusText("ER:Modem string needs GSM + port + :number:PIN - " + receiverString);
    return false;
  }
  m_PortName = port.data();
  m_Number = number.data();
  m_Pin = pin.data();
  return true;
}

bool CModemConnection::openPort() {
  if (!m_Port.Open(CSerialConnection::DevicePath(m_PortName))) {
    SetStatusText("COM " + Platform::SystemErrorText(m_Port.LastError()));
    return false;
  }
  Purge();
  if (!m_Port.SetSpeed(kModemRate)) {
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
  bool answered = atExchange("ate0", kEchoOffMs) && atExchange("atv1", kVerboseMs) &&
                  atExchange("atd" + m_Number, kDialMs);
  if (answered && m_Pin != "0") answered = atExchange("at+cpin=\"" + m_Pin + "\"", kPinMs);
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
  SetStatusText("");
}

bool CModemConnection::atExchange(const std::string& command, std::uint32_t timeoutMs) {
  if (command.size() > kMaxAtCommand || LinkLost()) return false;
  const std::string line = command[0] == '+' ? command : command + "\r";
  ClientLog().WriteTimed("\tModem < " + command);
  {
    std::lock_guard<std::mutex> lock(m_DialLock);
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
  return WriteSerialBounded(m_Port, bytes, count);
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
