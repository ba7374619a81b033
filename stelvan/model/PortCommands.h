#pragma once
// Commands written straight to the model's port, with their replies read
// straight from it (not through the analysis): used while connecting, before
// the reading thread runs. Each read is bounded; `cancel` (when given) ends
// a read early.
#include <atomic>
#include <cstdint>
#include <string>

#include "ports/CAbstractReceiverPort.h"

namespace Tellus {

class PortCommands {
 public:
  PortCommands(CMNC::CAbstractReceiverPort& port, const std::atomic<bool>* cancel = nullptr)
      : m_port(port), m_cancel(cancel) {}

  // Silences the receiver's outputs and throws away what was in flight.
  void stopOutput();
  // "%PORT TEST%": passes when the empty reply with that identifier comes.
  bool portTest(int timeoutMs);
  bool setFlowControl(bool on);
  // The receiver's rate on this port, 0 when unknown.
  std::uint32_t readPortRate();
  bool setPortRate(std::uint32_t rate);

  // Reads up to timeoutMs (500 ms pieces above 500 ms, until a quiet piece,
  // the time or `stopAt` showing up); returns what came.
  std::string readFor(int timeoutMs, const std::string& stopAt = std::string());

 private:
  bool write(const std::string& text);
  bool cancelled() const { return m_cancel && m_cancel->load(); }
  static void sleepMs(int ms);

  CMNC::CAbstractReceiverPort& m_port;
  const std::atomic<bool>* m_cancel;
};

}  // namespace Tellus
