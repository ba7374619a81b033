#include "links/CModemConnection.h"

#include <cerrno>
#include <vector>

#include "gridlink/CLogFile.h"
#include "gridlink/platform/Clock.h"
#include "gridlink/platform/MessagePump.h"
#include "gridlink/platform/SystemError.h"

namespace {
constexpr std::uint32_t kReaderStartMs = 5000;
constexpr std::uint32_t kReaderStopMs = 7000;
}  // namespace

CModemConnection::CModemConnection(CLinkOwner& owner, const std::string& receiverString)
    : CReceiverConnection(owner) {
  std::string error;
  if (!m_Target.Parse(receiverString, error)) {
    SetStatusText(error);
    return;
  }
  m_PortName = m_Target.port;
  m_Rate = m_Target.rate;
  if (!openPort()) return;
  dial();
}

CModemConnection::~CModemConnection() {
  stopReader();  // the modem's answers to the hang-up are the dialer's
  if (m_Connected && !LinkLost())
    m_Dialer.HangUp(Platform::GetTickCount() - m_LastWrite.load());
  m_Port.Close();
}

bool CModemConnection::openPort() {
  if (!m_Port.Open(m_Target.DevicePath())) {
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
    OnReceive(reinterpret_cast<const std::uint8_t*>(chunk.data()), static_cast<std::size_t>(n));
  }
}

void CModemConnection::dial() {
  if (!m_Dialer.Dial(m_Target)) {
    SetStatusText("ER:error login! - " + m_Dialer.Said());
    return;
  }
  m_Rate = m_Dialer.Rate();
  m_LastWrite = m_Dialer.LastWriteTick();
  if (!startReader()) return;
  Platform::PumpMessages();
  ResetFraming();
  m_Connected = true;
  SetStatusText("");
}

int CModemConnection::Write(const void* bytes, std::size_t count) {
  const int n = WriteSerialBounded(m_Port, bytes, count);
  m_LastWrite = Platform::GetTickCount();
  return n;
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
