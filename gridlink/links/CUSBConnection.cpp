#include "links/CUSBConnection.h"

#include <cstdio>
#include <vector>

#include "gridlink/CLogFile.h"
#include "gridlink/platform/Clock.h"

namespace {
constexpr std::uint32_t kReaderStartMs = 5000;
constexpr std::uint32_t kReaderStopMs = 10000;
constexpr std::uint32_t kFailurePauseMs = 50;  // between reads that fail, so a failing device is not hammered
constexpr std::uint8_t kDirectionIn = 0x80;
}  // namespace

CUSBConnection::CUSBConnection(CLinkOwner& owner, const std::string& receiverString, IUsbAccess& access)
    : CReceiverConnection(owner) {
  std::vector<char> name(receiverString.size() + 1);
  if (std::sscanf(receiverString.c_str(), "USB:%s", name.data()) != 1) {
    SetStatusText(receiverString);
    return;
  }
  m_DeviceName = name.data();
  open(access);
}

CUSBConnection::~CUSBConnection() {
  stopReader();
  m_Device.reset();
}

std::string CUSBConnection::findDevicePath(IUsbAccess& access) const {
  const std::vector<Platform::UsbReceiverInfo> list = access.ListReceivers();
  // The listed word itself first: "1-2" must not open the receiver at "1-2.4".
  for (const Platform::UsbReceiverInfo& r : list)
    if (Platform::UsbReceiverWord(r.description) == m_DeviceName) return r.devicePath;
  for (const Platform::UsbReceiverInfo& r : list)
    if (r.description.find(m_DeviceName) != std::string::npos) return r.devicePath;
  return {};
}

void CUSBConnection::open(IUsbAccess& access) {
  m_DevicePath = findDevicePath(access);
  std::string error;
  m_Device = access.Open(m_DevicePath, error);
  if (!m_Device) {
    SetStatusText(error);
    return;
  }
  if (!findPipes()) {
    SetStatusText(kBadInterfaces);
    m_Device.reset();
    return;
  }
  if (!m_Device->ClaimInterface(error)) {
    SetStatusText("Can't claim interface 0: " + error);
    m_Device.reset();
    return;
  }
  if (startReader()) SetStatusText("");
}

bool CUSBConnection::findPipes() {
  std::vector<UsbEndpoint> endpoints;
  std::string error;
  if (!m_Device->Endpoints(endpoints, error)) {
    ClientLog().WriteTimed("Dev/USB endpoints: " + error);
    return false;
  }
  for (const UsbEndpoint& e : endpoints) {
    if (e.type == UsbTransferType::Bulk)
      ((e.address & kDirectionIn) ? m_BulkIn : m_BulkOut) = e.address;
    else if (e.type == UsbTransferType::Interrupt)
      m_Interrupt = e.address;
    else
      return false;
  }
  // Endpoint 0 is never a bulk one: a zero here means the pipe is missing.
  return m_BulkIn != 0 && m_BulkOut != 0;
}

bool CUSBConnection::startReader() {
  Platform::Event started(Platform::EventReset::Manual);
  const bool ok = m_Reader.Start([this, &started](Platform::ThreadContext& ctx) {
    ClientLog().WriteTimed("Dev/USB thread started.");
    started.Set();  // `started` is not touched after this
    readerLoop(ctx);
    ClientLog().WriteTimed("Dev/USB thread terminated.\r\n");
  });
  if (!ok || started.Wait(kReaderStartMs) != Platform::WaitResult::Signalled) {
    m_Reader.Stop(kReaderStopMs);
    SetStatusText("USB Thread aborted!");
    return false;
  }
  return true;
}

void CUSBConnection::readerLoop(Platform::ThreadContext& ctx) {
  std::vector<std::uint8_t> chunk(kReadChunk);
  int failures = 0;
  while (!ctx.StopRequested()) {
    std::size_t got = 0;
    const UsbStatus s = m_Device->BulkRead(m_BulkIn, chunk.data(), chunk.size(), got, kReadSliceMs);
    if (got > 0) OnReceive(chunk.data(), got);
    if (s == UsbStatus::Done || s == UsbStatus::TimedOut) {
      failures = 0;
      if (got == 0) OnReaderIdle();
      continue;
    }
    // An unplugged device, or one that fails every read, will not come back under this handle.
    if (s == UsbStatus::Gone) {
      MarkLinkLost("Receiver link lost: USB device unplugged");
      return;
    }
    if (++failures >= kMaxReadFailures) {
      MarkLinkLost("Receiver link lost: USB " + m_Device->LastErrorText());
      return;
    }
    if (ctx.WaitStop(kFailurePauseMs)) return;
  }
}

int CUSBConnection::Write(const void* bytes, std::size_t count) {
  if (!m_Device || count == 0 || LinkLost()) return 0;
  std::size_t written = 0;
  const UsbStatus s = m_Device->BulkWrite(m_BulkOut, bytes, count, written, kWriteTimeoutMs);
  if (s == UsbStatus::Gone) MarkLinkLost("Receiver link lost: USB device unplugged");
  return static_cast<int>(written);
}

void CUSBConnection::stopReader() {
  RequestReaderStop();
  // A read slice ends within kReadSliceMs; the join bound backs that up.
  if (m_Reader.Joinable() && !m_Reader.Stop(kReaderStopMs))
    ClientLog().WriteTimed("Dev/USB thread did not stop in time");
}
