#pragma once
// The narrow seam between the USB port and the USB stack: list the
// receivers present and open one for bulk reads and writes. The libusb
// backend is the real one; tests put a fake device behind the same seam.
// A device is used by one thread at a time.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace CMNC {

struct UsbDeviceInfo {
  std::string name;         // "\\?\usb#vid_5e21&pid_0001#<serial>"
  std::string description;  // the serial number
  std::string location;     // the USB port path it sits on, as udev names it: "1-2.4"
};

class IUsbDevice {
 public:
  virtual ~IUsbDevice() = default;
  // Bytes moved (0 on time-out), -1 on error with lastError() set.
  virtual int bulkRead(std::uint8_t* buffer, std::size_t size, unsigned timeoutMs) = 0;
  virtual int bulkWrite(const std::uint8_t* bytes, std::size_t count, unsigned timeoutMs) = 0;
  virtual std::string lastError() const = 0;
};

class IUsbBackend {
 public:
  virtual ~IUsbBackend() = default;
  virtual std::vector<UsbDeviceInfo> list() = 0;
  // Null with `error` set when the device is absent or cannot be claimed.
  virtual std::unique_ptr<IUsbDevice> open(const std::string& name, std::string& error) = 0;
};

// The process's libusb backend (created on first use, never destroyed).
IUsbBackend& libusbBackend();

// Whether a device name belongs to one of the receivers' two vendor ids.
bool isReceiverUsbName(const std::string& name);
// Whether a name is a USB port path ("1-2", "1-2.4"), as gridctl names a USB receiver: the
// port opens the receiver it finds there, so a re-plug into the same socket finds it again.
bool isUsbLocation(const std::string& name);

}  // namespace CMNC
