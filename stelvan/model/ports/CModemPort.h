#pragma once
// A receiver behind a GSM modem on a local serial port. Open takes the whole modem string,
// "GSM" + port + ":" + telephone number + ":" + PIN [+ ":" + line speed], and dials through
// Gridlink's modem dialogue (line-speed search, SIM PIN, dial); once the modem has connected,
// reads and writes are the serial port's. Close hangs up (DTR, else "+++" and "ath") before
// the port closes, so the next Open dials afresh. A failed dial leaves in LastError() what
// went wrong and what the modem said.
#include <atomic>
#include <cstdint>
#include <string>

#include "CSerialPort.h"
#include "gridlink/ModemDialer.h"

namespace CMNC {

class CModemPort : public CSerialPort {
 public:
  // `cancel` ends a dial in progress (the model's connection cancel); may be null.
  explicit CModemPort(const std::atomic<bool>* cancel = nullptr) : m_cancel(cancel) {}
  ~CModemPort() override { Close(); }
  bool Open(const std::string& modemString) override;
  void Close() override;
  int Write(const std::uint8_t* bytes, std::size_t count, int timeoutMs) override;
  // The line to the modem keeps the speed it was dialled at: a rate meant for the receiver's
  // own port must not change it.
  bool SetBaudRate(std::uint32_t) override { return IsOpen(); }
  // The line speed the modem answered at.
  std::uint32_t lineRate() const { return m_dialer.Rate(); }

 private:
  const std::atomic<bool>* m_cancel;
  ModemDialer m_dialer{line()};
  bool m_connected = false;
  std::atomic<std::uint32_t> m_lastWrite{0};
};

}  // namespace CMNC
