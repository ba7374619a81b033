#include "CBluetoothPort.h"

#include <bluetooth/bluetooth.h>
#include <bluetooth/hci.h>
#include <bluetooth/hci_lib.h>
#include <bluetooth/rfcomm.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace CMNC {

bool CBluetoothPort::isAvailable(std::string* why) {
  static std::once_flag once;
  static bool ok = false;
  static std::string reason;
  std::call_once(once, [] {
    const int s = ::socket(AF_BLUETOOTH, SOCK_STREAM | SOCK_CLOEXEC, BTPROTO_RFCOMM);
    if (s < 0) {
      reason = std::string("Bluetooth is not available on this computer: ") + std::strerror(errno);
      return;
    }
    ::close(s);
    if (hci_get_route(nullptr) < 0) {
      reason = "No Bluetooth radio found";
      return;
    }
    ok = true;
  });
  if (!ok && why) *why = reason;
  return ok;
}

bool CBluetoothPort::Open(const std::string& settings) {
  Close();
  std::string why;
  if (!isAvailable(&why)) {
    m_lastError = why;
    return false;
  }
  const std::string address = settings.substr(0, 17);
  int channel = 1;
  if (settings.size() > 18 && settings[17] == ':') channel = std::atoi(settings.c_str() + 18);
  sockaddr_rc to{};
  to.rc_family = AF_BLUETOOTH;
  to.rc_channel = static_cast<std::uint8_t>(channel > 0 && channel <= 30 ? channel : 1);
  if (address.size() != 17 || str2ba(address.c_str(), &to.rc_bdaddr) != 0) {
    m_lastError = "Not a Bluetooth device address: \"" + settings + "\"";
    return false;
  }
  const int fd = ::socket(AF_BLUETOOTH, SOCK_STREAM | SOCK_CLOEXEC, BTPROTO_RFCOMM);
  if (fd < 0) return failErrno("Bluetooth socket: ", errno);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    const int err = errno;
    ::close(fd);
    return failErrno(address + ": ", err);
  }
  m_handle = fd;
  return true;
}

}  // namespace CMNC
