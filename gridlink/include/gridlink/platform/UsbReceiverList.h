#pragma once
// The receivers attached by USB with their native bulk interface, found through udev
// (subsystem "usb", USB devices of the receiver makers' vendor ids 5e21 and 4d73).
// Any thread may call; each call asks udev afresh. An empty list when udev is not reachable.
#include <string>
#include <vector>

#include "gridlink/Export.h"

namespace Platform {

struct UsbReceiverInfo {
  std::string devicePath;  // the usbfs node that is opened: "/dev/bus/usb/001/004"
  std::string location;    // the USB port path the device sits on (udev's sysname): "1-2.4"
  // The device's product name and, in parentheses, its location: "NH Receiver (1-2.4)";
  // "USB receiver (1-2.4)" when the device names no product.
  std::string description;
};

// Sorted by location.
GRIDLINK_API std::vector<UsbReceiverInfo> ListUsbReceivers();

// The word inside the first parentheses of a description, "" when there is none.
GRIDLINK_API std::string UsbReceiverWord(const std::string& description);

}  // namespace Platform
