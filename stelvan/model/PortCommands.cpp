#include "PortCommands.h"

#include <chrono>
#include <thread>

#include "ReplyText.h"

namespace Tellus {

void PortCommands::sleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool PortCommands::write(const std::string& text) {
  return m_port.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), -1) ==
         static_cast<int>(text.size());
}

std::string PortCommands::readFor(int timeoutMs, const std::string& stopAt) {
  std::string got;
  std::uint8_t buf[10240];
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const int piece = timeoutMs > 500 ? 500 : timeoutMs;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0 || cancelled()) break;
    const int n = m_port.Read(buf, sizeof buf, static_cast<int>(std::min<long long>(left, piece)), 50);
    if (n > 0) got.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n));
    if (!stopAt.empty() && got.find(stopAt) != std::string::npos) {
      // The frame holding the marker may still be arriving: one short read more.
      const int more = m_port.Read(buf, sizeof buf, 20, 20);
      if (more > 0) got.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(more));
      break;
    }
    if (n <= 0 && (n < 0 || timeoutMs <= 500 || stopAt.empty())) break;
  }
  return got;
}

void PortCommands::stopOutput() {
  write("\n\nset,cur/term/rtscts,off");
  write("\n\ndm\n##OFF##\ndm\n%%\n");
  sleepMs(100);
  std::uint8_t buf[10240];
  m_port.Read(buf, sizeof buf, 100, 50);
  m_port.Purge(CMNC::kPurgeRxAbort | CMNC::kPurgeRxClear | CMNC::kPurgeTxAbort | CMNC::kPurgeTxClear);
}

bool PortCommands::portTest(int timeoutMs) {
  if (!write("%PORT TEST%\n")) return false;
  const std::string got = readFor(timeoutMs, "%PORT TEST%");
  ReplyPiece r;
  return findReply(got, "PORT TEST", false, r) && !r.error && r.text.empty();
}

bool PortCommands::setFlowControl(bool on) {
  if (!write(std::string("##\nset,cur/term/rtscts,") + (on ? "on" : "off") + "\n")) return false;
  const bool local = m_port.SetFlowControl(on);
  m_port.Purge(CMNC::kPurgeRxClear | CMNC::kPurgeTxClear);
  sleepMs(100);
  const bool ok = local && portTest(500);
  if (!ok && on) m_port.SetFlowControl(false);
  return ok;
}

std::uint32_t PortCommands::readPortRate() {
  if (!write("%%print,/par/cur/term/rate\n")) return 0;
  const std::string got = readFor(1500);  // till quiet: replies of the stop text also carry "%%"
  ReplyPiece r;
  if (got.size() <= 6 || !findReply(got, "", false, r) || r.error) return 0;
  return static_cast<std::uint32_t>(std::strtoul(r.text.c_str(), nullptr, 10));
}

bool PortCommands::setPortRate(std::uint32_t rate) {
  if (readPortRate() == rate) return true;
  if (!write("%SET RATE%set,/par/cur/term/rate," + std::to_string(rate) + "\n")) return false;
  sleepMs(100);
  const std::string got = readFor(1500, "%SET RATE%");
  ReplyPiece r;
  if (!findReply(got, "SET RATE", false, r) || r.error || !r.text.empty()) return false;
  if (!m_port.SetBaudRate(rate)) return false;
  sleepMs(100);
  return portTest(1500);
}

}  // namespace Tellus
