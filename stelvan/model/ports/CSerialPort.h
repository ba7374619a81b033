#pragma once
// A serial device on termios. Port names: "COM<n>" is /dev/ttyS<n-1>, a name
// beginning with "/" (or "COM/...") is a device path.
#include "CAbstractReceiverPort.h"
#include "gridlink/platform/SerialPort.h"

namespace CMNC {

class CSerialPort : public CAbstractReceiverPort {
 public:
  static constexpr int kDefaultIntervalMs = 50;
  static constexpr int kDefaultTotalMs = 500;
  static std::string devicePath(const std::string& portName);

  ~CSerialPort() override { Close(); }
  bool Open(const std::string& portName) override;
  void Close() override;
  int Read(const ReadRequest& request) override;
  using CAbstractReceiverPort::Read;
  int Write(const std::uint8_t* bytes, std::size_t count, int timeoutMs) override;
  bool Purge(unsigned flags) override;
  bool SetBaudRate(std::uint32_t rate) override;
  bool SetFlowControl(bool on) override;

 protected:
  // The device itself, for a port that needs its modem lines (the GSM modem port).
  Platform::SerialPort& line() { return m_port; }
  bool fail(const std::string& what);

 private:
  Platform::SerialPort m_port;
};

}  // namespace CMNC
