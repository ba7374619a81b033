#pragma once
// An RFCOMM link to a remote device's serial-port service. Settings: the
// device address "XX:XX:XX:XX:XX:XX", optionally followed by ":" and the
// RFCOMM channel (1 when absent). Without a Bluetooth stack or adapter the
// open fails at once with a text saying so. Read, write and purge are the
// TCP port's.
#include <cstdint>
#include <string>
#include <vector>

#include "CTcpipPort.h"

namespace CMNC {

// A remote device found by discovery.
struct CBTRemoteDevice {
  std::uint64_t address = 0;
  std::string name;
};

class CBluetoothPort : public CTcpipPort {
 public:
  bool Open(const std::string& settings) override;
  // Whether Bluetooth sockets can be made and an adapter is present
  // (asked once per process); `why` gets the reason when not.
  static bool isAvailable(std::string* why = nullptr);
};

}  // namespace CMNC
