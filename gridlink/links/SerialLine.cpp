#include "links/SerialLine.h"

#include <algorithm>
#include <cstdint>

namespace {
constexpr std::uint32_t kMaxWriteMs = 30000;
}  // namespace

int WriteSerialBounded(Platform::SerialPort& port, const void* bytes, std::size_t count) {
  if (!port.IsOpen() || count == 0) return 0;
  const std::uint64_t bound = std::min<std::uint64_t>(100 + 200ull * count, kMaxWriteMs);
  const int n = port.Write(bytes, count, static_cast<std::uint32_t>(bound));
  if (n <= 0) return 0;
  port.Drain(static_cast<std::uint32_t>(bound));
  return n;
}

bool SerialLineErrors::Start(Platform::SerialPort& port) {
  const Platform::SerialSupport s = port.GetLineCounters(m_Counters);
  m_Supported = s == Platform::SerialSupport::Done;
  return s != Platform::SerialSupport::Failed;
}

const char* SerialLineErrors::Check(Platform::SerialPort& port) {
  if (!m_Supported) return nullptr;
  Platform::SerialLineCounters now;
  if (port.GetLineCounters(now) != Platform::SerialSupport::Done) {
    m_Supported = false;
    return nullptr;
  }
  const char* text = nullptr;
  if (now.brk != m_Counters.brk)
    text = "Break detected";
  else if (now.frame != m_Counters.frame)
    text = "Framing error";
  else if (now.overrun != m_Counters.overrun)
    text = "Serial overrun";
  else if (now.bufOverrun != m_Counters.bufOverrun)
    text = "Input buffer overflow";
  else if (now.parity != m_Counters.parity)
    text = "Parity error";
  m_Counters = now;
  return text;
}
