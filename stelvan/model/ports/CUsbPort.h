#pragma once
// A receiver on USB, read synchronously on the caller's thread through the
// USB seam (libusb unless a backend is given; the backend must outlive the
// port). Open takes a device name that passes isReceiverUsbName, or the USB port
// path a receiver sits on ("1-2.4").
#include <memory>

#include "CAbstractReceiverPort.h"
#include "UsbBackend.h"

namespace CMNC {

class CUsbPort : public CAbstractReceiverPort {
 public:
  explicit CUsbPort(IUsbBackend* backend = nullptr) : m_backend(backend ? backend : &libusbBackend()) {}
  ~CUsbPort() override { Close(); }
  bool IsOpen() const override { return m_device != nullptr; }
  bool Open(const std::string& name) override;
  void Close() override;
  int Read(const ReadRequest& request) override;
  using CAbstractReceiverPort::Read;
  int Write(const std::uint8_t* bytes, std::size_t count, int timeoutMs) override;
  bool Purge(unsigned flags) override;

 private:
  IUsbBackend* m_backend;
  std::unique_ptr<IUsbDevice> m_device;
};

}  // namespace CMNC
