#include "CSerialPort.h"

#include <cctype>
#include <algorithm>
#include <chrono>
#include <thread>
#include <cstring>

namespace CMNC {

namespace {
using Clock = std::chrono::steady_clock;
constexpr int kGatherMs = 3;
int msLeft(Clock::time_point deadline) {
  const auto d = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return d > 0 ? static_cast<int>(d) : 0;
}
}  // namespace

std::string CSerialPort::devicePath(const std::string& portName) {
  std::string rest = portName;
  if (rest.size() >= 3 && std::toupper(static_cast<unsigned char>(rest[0])) == 'C' &&
      std::toupper(static_cast<unsigned char>(rest[1])) == 'O' &&
      std::toupper(static_cast<unsigned char>(rest[2])) == 'M')
    rest = rest.substr(3);
  if (!rest.empty() && rest.find_first_not_of("0123456789") == std::string::npos) {
    const long n = std::strtol(rest.c_str(), nullptr, 10);
    return "/dev/ttyS" + std::to_string(n > 0 ? n - 1 : 0);
  }
  return rest.empty() ? portName : rest;
}

bool CSerialPort::fail(const std::string& what) {
  m_lastError = what + ": " + std::strerror(m_port.LastError());
  return false;
}

bool CSerialPort::Open(const std::string& portName) {
  Close();
  const std::string path = devicePath(portName);
  if (!m_port.Open(path)) return fail(path);
  m_port.SetSpeed(115200);
  m_handle = m_port.Fd();
  return true;
}

void CSerialPort::Close() {
  if (!m_port.IsOpen()) return;
  m_port.SetDtr(false);  // pseudo-terminals refuse; nothing to do then
  m_port.Close();
  m_handle = -1;
}

// The first byte is awaited up to the total time-out; after it, reading goes
// on until the buffer is full, a gap of the interval passes or the total ends.
int CSerialPort::Read(const ReadRequest& r) {
  if (!IsOpen() || !r.buffer) {
    m_lastError = "Port is not open";
    return -1;
  }
  const int interval = r.intervalMs > kDefaultIntervalMs ? r.intervalMs : kDefaultIntervalMs;
  const int total = r.totalMs < 0 ? kDefaultTotalMs : r.totalMs;
  const auto deadline = Clock::now() + std::chrono::milliseconds(total);
  std::size_t got = 0;
  int n = m_port.Read(r.buffer, r.size, static_cast<std::uint32_t>(total));
  if (n < 0) {
    fail("read");
    return -1;
  }
  got = static_cast<std::size_t>(n);
  while (got > 0 && got < r.size && total > 0) {
    int left = msLeft(deadline);
    if (left == 0) break;
    // A stream arrives in small pieces; letting them gather for a moment takes them with one
    // read instead of one wake-up each. Well inside the interval and the port's buffering.
    const int gather = std::min({kGatherMs, left, interval});
    std::this_thread::sleep_for(std::chrono::milliseconds(gather));
    left = msLeft(deadline);
    n = m_port.Read(r.buffer + got, r.size - got, static_cast<std::uint32_t>(std::min(left, interval)));
    if (n < 0) break;  // what came before the failure is kept; the next read reports it
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<int>(got);
}

int CSerialPort::Write(const std::uint8_t* bytes, std::size_t count, int timeoutMs) {
  if (!IsOpen()) {
    m_lastError = "Port is not open";
    return -1;
  }
  const long t = timeoutMs < 0 ? 10L * static_cast<long>(count) + 100 : timeoutMs;
  const int n = m_port.Write(bytes, count, static_cast<std::uint32_t>(t));
  if (n < 0 || static_cast<std::size_t>(n) < count) {
    fail("write");
    return -1;
  }
  return n;
}

bool CSerialPort::Purge(unsigned flags) {
  if (!IsOpen()) return false;
  const bool in = (flags & (kPurgeRxAbort | kPurgeRxClear)) != 0;
  const bool out = (flags & (kPurgeTxAbort | kPurgeTxClear)) != 0;
  return (!in && !out) || m_port.Purge(in, out) || fail("purge");
}

bool CSerialPort::SetBaudRate(std::uint32_t rate) {
  return IsOpen() && (m_port.SetSpeed(rate) || fail("speed " + std::to_string(rate)));
}

bool CSerialPort::SetFlowControl(bool on) {
  return IsOpen() && (m_port.SetHardwareFlowControl(on) || fail("flow control"));
}

}  // namespace CMNC
