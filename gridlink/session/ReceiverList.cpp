// "GetRcvList": the receivers this machine can reach, as receiver strings ending in ",":
// the last serial and TCP receivers opened, then every serial port and USB receiver found.
#include <string>

#include "gridlink/CProfile.h"
#include "gridlink/platform/SerialPortList.h"
#include "gridlink/platform/UsbReceiverList.h"
#include "session/LocalServer.h"

int LocalServer::GetRcvList(std::string_view) {
  CProfile& profile = CConnection::getProfile();
  const std::string lastCom = profile.Read("LServer", "LastCOM", "");
  const std::string lastTcp = profile.Read("LServer", "LastTCP", "");
  m_Reply = "RE:";
  int count = 0;
  for (const std::string& last : {lastCom, lastTcp}) {
    if (last.empty()) continue;
    m_Reply += last;
    ++count;
  }
  for (const Platform::SerialPortInfo& port : Platform::ListSerialPorts()) {
    const std::string entry = "COM" + port.devicePath + ":115200:1,";
    if (entry == lastCom) continue;
    m_Reply += entry;
    ++count;
  }
  for (const Platform::UsbReceiverInfo& usb : Platform::ListUsbReceivers()) {
    m_Reply += "USB:" + Platform::UsbReceiverWord(usb.description) + ",";
    ++count;
  }
  return count;
}
