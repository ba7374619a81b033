// Plugs a USB-serial receiver into a umockdev testbed, pulls it out again, and prints what the
// SerialPortMonitor reports, one "add|remove PATH BYID" a line. Runs under umockdev-wrapper.
#include <poll.h>
#include <umockdev.h>

#include <cstdio>

#include "gridlink/platform/SerialPortList.h"

namespace {

const char kDevice[] = R"(P: /devices/pci0000:00/0000:00:14.0/usb1/1-2
N: bus/usb/001/002
E: DEVNAME=/dev/bus/usb/001/002
E: DEVTYPE=usb_device
E: SUBSYSTEM=usb
E: ID_VENDOR=Acme
E: ID_MODEL=GNSS_Receiver

P: /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0
N: ttyUSB0
E: DEVNAME=/dev/ttyUSB0
E: SUBSYSTEM=tty
E: DEVLINKS=/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0 /dev/serial/by-id/usb-Acme_GNSS_Receiver_0042-if00-port0
)";
const char kTty[] = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0";

// Prints the changes that arrive within a few seconds (bounded).
bool report(Platform::SerialPortMonitor& m) {
  pollfd p{m.Fd(), POLLIN, 0};
  if (::poll(&p, 1, 5000) != 1) return false;
  for (const Platform::SerialPortChange& c : m.Changes())
    std::printf("%s %s %s\n", c.added ? "add" : "remove", c.port.devicePath.c_str(), c.port.byIdPath.c_str());
  return true;
}

}  // namespace

int main() {
  UMockdevTestbed* bed = umockdev_testbed_new();
  Platform::SerialPortMonitor monitor;
  if (monitor.Fd() < 0) return 3;
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(bed, kDevice, &error)) return 4;
  umockdev_testbed_uevent(bed, kTty, "add");
  const bool added = report(monitor);
  umockdev_testbed_uevent(bed, kTty, "remove");
  const bool removed = report(monitor);
  g_object_unref(bed);
  return added && removed ? 0 : 5;
}
