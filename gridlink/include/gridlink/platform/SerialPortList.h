#pragma once
// The serial ports of the machine, found through udev (subsystem "tty"). Listed: USB-serial
// adapters (ttyUSB*, ttyACM*), Bluetooth serial links (rfcomm*), on-board ports (ttyS*) that a
// driver has taken and whose UART was detected, and any other tty with a real device behind it.
// Left out: virtual terminals, consoles, pseudo-terminals (no device behind them).
// Any thread may call; each call asks udev afresh. An empty list when udev is not reachable.
#include <memory>
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
  // The port's /dev/serial/by-id link, which keeps its name when the device is plugged in
  // again (elsewhere, or after another); empty when udev made none.
  std::string byIdPath;
  // What a receiver string should name: the by-id link where there is one.
  const std::string& PreferredPath() const { return byIdPath.empty() ? devicePath : byIdPath; }
};

// Sorted by device path, numbers in their natural order (ttyS2 before ttyS10).
GRIDLINK_API std::vector<SerialPortInfo> ListSerialPorts();

// A port that came or went.
struct SerialPortChange {
  bool added = false;
  SerialPortInfo port;  // for a port that went: its paths (udev knows nothing more by then)
};

// Serial ports as they come and go (udev's "tty" events), for a list that follows the
// machine. The owner watches Fd() (readable when udev has news) and calls Changes(). One thread
// at a time; Fd() is -1 when udev cannot be reached, and then nothing ever changes.
class GRIDLINK_API SerialPortMonitor {
 public:
  SerialPortMonitor();
  ~SerialPortMonitor();
  SerialPortMonitor(const SerialPortMonitor&) = delete;
  SerialPortMonitor& operator=(const SerialPortMonitor&) = delete;
  int Fd() const;
  // The changes udev has reported since the last call, in order; never blocks. Ports the
  // list would leave out (virtual terminals, pseudo-terminals) are not reported.
  std::vector<SerialPortChange> Changes();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_Impl;
};

}  // namespace Platform
