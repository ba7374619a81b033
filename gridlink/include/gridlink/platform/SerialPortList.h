#pragma once
// The serial ports of the machine, found through udev (subsystem "tty"). Listed: USB-serial
// adapters (ttyUSB*, ttyACM*), Bluetooth serial links (rfcomm*), on-board ports (ttyS*) that a
// driver has taken and whose UART was detected, and any other tty with a real device behind it.
// Left out: virtual terminals, consoles, pseudo-terminals (no device behind them).
// Any thread may call; each call asks udev afresh. An empty list when udev is not reachable.
#include <string>
#include <vector>

#include "gridlink/Export.h"

namespace Platform {

struct SerialPortInfo {
  std::string devicePath;  // "/dev/ttyUSB0"
  std::string kernelName;  // "ttyUSB0"
  // The USB device's vendor and model (or serial) and the kernel name, "Acme GNSS Receiver
  // (ttyUSB0)"; just the kernel name when udev knows nothing more.
  std::string description;
};

// Sorted by device path, numbers in their natural order (ttyS2 before ttyS10).
GRIDLINK_API std::vector<SerialPortInfo> ListSerialPorts();

}  // namespace Platform
