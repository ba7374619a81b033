#include "links/CSerialConnection.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "gridlink/CLogFile.h"
#include "gridlink/platform/Clock.h"
#include "gridlink/platform/SerialPortList.h"
#include "gridlink/platform/SystemError.h"

namespace {

// Shared by every serial link of the process; the first entry is the latest open's rate.
std::mutex g_RateLock;
std::array<std::uint32_t, CSerialConnection::kRateCount> g_Rates = {
    0, 1500000, 460800, 230400, 115200, 57600, 38400, 19200, 9600, 4800, 2400, 1200};

constexpr std::uint32_t kOpenRetrySleeps[] = {100, 300, 500, 700, 900};
constexpr std::uint32_t kReaderStartMs = 5000;

bool knownRate(std::uint32_t rate) {
  std::lock_guard<std::mutex> lock(g_RateLock);
  for (auto r : g_Rates)
    if (r == rate && r != 0) return true;
  return false;
}

}  // namespace

std::array<std::uint32_t, CSerialConnection::kRateCount> CSerialConnection::RateTable() {
  std::lock_guard<std::mutex> lock(g_RateLock);
  return g_Rates;
}

std::array<std::uint32_t, CSerialConnection::kRateCount> CSerialConnection::SetRequestedRate(
    std::uint32_t rate) {
  std::lock_guard<std::mutex> lock(g_RateLock);
  g_Rates[0] = rate;
  return g_Rates;
}

std::string CSerialConnection::DevicePath(const std::string& port) {
  if (!port.empty() && port.find_first_not_of("0123456789") == std::string::npos) {
    const long n = std::strtol(port.c_str(), nullptr, 10);
    if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
  }
  return port;
}

void CSerialConnection::ListSerialPorts(std::vector<CPortName>& list) {
  for (const auto& p : Platform::ListSerialPorts())
    list.push_back(CPortName{p.devicePath, p.description, p.devicePath, 0});
}

CSerialConnection::CSerialConnection(CLinkOwner& owner, const std::string& receiverString)
    : CReceiverConnection(owner) {
  open(receiverString);
}

CSerialConnection::~CSerialConnection() {
  stopReader();
  m_Port.Close();
}

void CSerialConnection::stopReader() {
  RequestReaderStop();
  // The reader blocks at most one read slice or one packet hand-over (5 s); the thread's own
  // destructor bound backs this up.
  if (m_Reader.Joinable() && !m_Reader.Stop(7000))
    ClientLog().WriteTimed("Dev/COM thread did not stop in time");
}

void CSerialConnection::open(const std::string& receiverString) {
  std::vector<char> port(receiverString.size() + 1), rate(receiverString.size() + 1),
      rest(receiverString.size() + 1);
  int flow = 0;
  if (std::sscanf(receiverString.c_str(), "COM%[^:]:%[^:]:%d %s", port.data(), rate.data(), &flow,
                  rest.data()) < 3) {
    SetStatusText(receiverString);
    return;
  }
  m_PortName = port.data();
  m_RateText = rate.data();
  m_FlowControl = flow;
  char* end = nullptr;
  const unsigned long requested = std::strtoul(m_RateText.c_str(), &end, 10);
  if (m_RateText.empty() || *end != '\0' || !knownRate(static_cast<std::uint32_t>(requested))) {
    SetStatusText("Error baud!!");
    return;
  }
  if (!openPort() || !startReader()) return;
  m_CheckRemotePort = true;
  if (searchReceiver(static_cast<std::uint32_t>(requested)) == 0) return;
  if (m_CheckRemotePort) {
    std::string reply;
    SendCommand(std::string("%rts%set,/par/cur/term/rtscts,") + (m_FlowControl == 1 ? "on" : "off"), reply,
                500);
    SetFlowControl(m_FlowControl != 0);
  }
  SetStatusText("");
}

bool CSerialConnection::openPort() {
  const std::string path = DevicePath(m_PortName);
  bool opened = m_Port.Open(path);
  for (std::uint32_t pause : kOpenRetrySleeps) {
    if (opened) break;
    Platform::Sleep(pause);
    opened = m_Port.Open(path);
  }
  if (!opened) {
    SetStatusText("COM " + Platform::SystemErrorText(m_Port.LastError()));
    return false;
  }
  // DTR off, RTS on; a pseudo-terminal has no modem lines, which is no reason to fail.
  m_Port.SetDtr(false);
  m_Port.SetRts(true);
  if (!m_Port.SetSpeed(115200)) {
    SetStatusText("SetCommState() failed");
    return false;
  }
  m_CurrentRate.store(115200);
  m_Port.Purge(true, true);
  m_LineErrors.Start(m_Port);
  return true;
}

bool CSerialConnection::startReader() {
  Platform::Event started(Platform::EventReset::Manual);
  const bool ok = m_Reader.Start([this, &started](Platform::ThreadContext& ctx) {
    ClientLog().WriteTimed("Dev/COM thread started.");
    started.Set();  // `started` is not touched after this
    readerLoop(ctx);
    ClientLog().WriteTimed("Dev/COM thread terminated.\r\n");
  });
  if (!ok || started.Wait(kReaderStartMs) != Platform::WaitResult::Signalled) {
    // A thread that never came up must not find `started` gone later: stop and join it first.
    m_Reader.Stop(kReaderStartMs);
    SetStatusText("COM Thread aborted!");
    return false;
  }
  return true;
}

void CSerialConnection::readerLoop(Platform::ThreadContext& ctx) {
  std::vector<std::uint8_t> chunk(kReadChunk);
  while (!ctx.StopRequested()) {
    const int n = m_Port.Read(chunk.data(), chunk.size(), kReaderSliceMs);
    if (n > 0) {
      checkLineErrors();
      OnReceive(chunk.data(), static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0) {
      OnReaderIdle();
      continue;
    }
    const int err = errno;
    if (err == EINTR || err == EAGAIN) continue;
    // The device is gone (unplugged, or the other end of a pseudo-terminal closed): one clear
    // error instead of a loop of failing reads.
    MarkLinkLost("Receiver link lost: COM " + Platform::SystemErrorText(err));
    return;
  }
}

void CSerialConnection::checkLineErrors() {
  const char* text = m_LineErrors.Check(m_Port);
  if (text == nullptr) return;
  SetStatusText(text);
  ClientLog().WriteTimed(text);
}

int CSerialConnection::Write(const void* bytes, std::size_t count) {
  return WriteSerialBounded(m_Port, bytes, count);
}

int CSerialConnection::SetFlowControl(bool on) {
  if (!m_Port.IsOpen()) return 0;
  if (!on) m_Port.SetRts(true);
  return m_Port.SetHardwareFlowControl(on) ? 1 : 0;
}

bool CSerialConnection::SetBaudRate(std::uint32_t rate) {
  if (!m_Port.IsOpen() || !m_Port.SetSpeed(rate)) return false;
  m_CurrentRate.store(rate);
  // Bytes of the old speed are noise now; a half frame of them must not swallow the next reply.
  m_Port.Purge(true, false);
  ResetFraming();
  Platform::Sleep(200);
  return true;
}
