#pragma once
// The narrow seam between the USB link and the USB library: what the link asks of the system
// (the receivers attached, opening one) and of an open device (interface 0's endpoints, its
// claim, bulk reads and writes). SystemUsbAccess() is libusb-1.0 and udev; tests put a fake
// device behind the same interfaces.
//
// Threads: one thread may read the bulk-in endpoint while another writes the bulk-out one.
// An open device is released (interface and handle) when it is deleted.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gridlink/platform/UsbReceiverList.h"

enum class UsbTransferType { Control = 0, Isochronous = 1, Bulk = 2, Interrupt = 3 };

struct UsbEndpoint {
  std::uint8_t address = 0;  // the direction bit 0x80 set for an IN endpoint
  UsbTransferType type = UsbTransferType::Bulk;
};

// Done: all asked bytes moved (a read: some bytes came). TimedOut: the time ran out (a read may
// still have brought bytes). Gone: the device has been unplugged. Failed: any other error.
enum class UsbStatus { Done, TimedOut, Gone, Failed };

class IUsbDevice {
 public:
  virtual ~IUsbDevice() = default;
  // Interface 0's endpoints (alternate setting 0). False with a reason when they cannot be read.
  virtual bool Endpoints(std::vector<UsbEndpoint>& out, std::string& error) = 0;
  // Takes interface 0 for this process (a kernel driver holding it is detached first).
  virtual bool ClaimInterface(std::string& error) = 0;
  virtual UsbStatus BulkWrite(std::uint8_t endpoint, const void* data, std::size_t count,
                              std::size_t& written, std::uint32_t timeoutMs) = 0;
  virtual UsbStatus BulkRead(std::uint8_t endpoint, void* buf, std::size_t size, std::size_t& got,
                             std::uint32_t timeoutMs) = 0;
  // The library's text for the latest failed call.
  virtual std::string LastErrorText() const = 0;
};

class IUsbAccess {
 public:
  virtual ~IUsbAccess() = default;
  virtual std::vector<Platform::UsbReceiverInfo> ListReceivers() = 0;
  // Opens the device node for reading and writing. Null with the system's message text in
  // error on failure (an empty path fails as a missing file does).
  virtual std::unique_ptr<IUsbDevice> Open(const std::string& devicePath, std::string& error) = 0;
};

// libusb-1.0 on the usbfs node, udev for the list. Lives as long as the process.
IUsbAccess& SystemUsbAccess();
