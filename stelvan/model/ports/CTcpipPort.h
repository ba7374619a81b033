#pragma once
// A receiver's network port over TCP. Open("host:port[:...]") connects and
// walks the login prompt up to the password question; the receiver model
// answers it. Read, write and purge also serve the Bluetooth port.
#include <string>

#include "CAbstractReceiverPort.h"

namespace CMNC {

class CTcpipPort : public CAbstractReceiverPort {
 public:
  static constexpr int kConnectTimeoutMs = 5000;
  static constexpr int kGreetingReadMs = 1500;

  ~CTcpipPort() override { Close(); }
  bool Open(const std::string& settings) override;
  void Close() override;
  int Read(const ReadRequest& request) override;
  using CAbstractReceiverPort::Read;
  int Write(const std::uint8_t* bytes, std::size_t count, int timeoutMs) override;
  bool Purge(unsigned flags) override;

  // What the greeting reads received (the model's login looks at it).
  const std::string& greeting() const { return m_greeting; }
  // Off for a port without a login prompt (Wi-Fi): Open only connects.
  void setLogin(bool on) { m_login = on; }

 protected:
  bool failErrno(const std::string& what, int err);
  // Reads up to five times until `needle` shows in what arrived.
  bool readUntil(const std::string& needle);
  std::string m_greeting;
  bool m_login = true;
};

}  // namespace CMNC
