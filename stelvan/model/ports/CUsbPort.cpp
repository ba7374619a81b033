#include "CUsbPort.h"

namespace CMNC {

bool CUsbPort::Open(const std::string& given) {
  Close();
  std::string name = given;
  if (isUsbLocation(given)) {
    name.clear();
    for (const UsbDeviceInfo& d : m_backend->list())
      if (d.location == given) name = d.name;
    if (name.empty()) {
      m_lastError = "No USB receiver at " + given;
      return false;
    }
  }
  if (!isReceiverUsbName(name)) {
    m_lastError = "Not a receiver's USB device: " + name;
    return false;
  }
  std::string error;
  m_device = m_backend->open(name, error);
  if (!m_device) {
    m_lastError = error;
    return false;
  }
  m_handle = 0;
  return true;
}

void CUsbPort::Close() {
  m_device.reset();
  m_handle = -1;
}

int CUsbPort::Read(const ReadRequest& r) {
  if (!m_device || !r.buffer) {
    m_lastError = "Port is not open";
    return -1;
  }
  const int total = r.totalMs < 0 ? 500 : r.totalMs;
  const int n = m_device->bulkRead(r.buffer, r.size, static_cast<unsigned>(total));
  if (n < 0) m_lastError = m_device->lastError();
  return n;
}

int CUsbPort::Write(const std::uint8_t* bytes, std::size_t count, int timeoutMs) {
  if (!m_device) {
    m_lastError = "Port is not open";
    return -1;
  }
  const long t = timeoutMs < 0 ? 10L * static_cast<long>(count) + 100 : timeoutMs;
  const int n = m_device->bulkWrite(bytes, count, static_cast<unsigned>(t));
  if (n < 0) m_lastError = m_device->lastError();
  return n;
}

bool CUsbPort::Purge(unsigned flags) {
  if (!m_device) return false;
  if (!(flags & kPurgeRxClear)) return true;
  std::uint8_t buf[1024];
  for (int i = 0; i < 64 && m_device->bulkRead(buf, sizeof buf, 20) > 0; ++i) {
  }
  return true;
}

}  // namespace CMNC
