// "GetRcvList": the receivers this machine can reach, as receiver strings ending in ",": the
// last receiver opened of each link kind, then every serial port and USB receiver found.
#include <string>

#include "gridlink/CProfile.h"
#include "gridlink/platform/SerialPortList.h"
#include "gridlink/platform/UsbReceiverList.h"
#include "session/LocalServer.h"

namespace LocalSrv {

const char* LastReceiverKey(int kind) {
  switch (kind) {
    case kLinkCom:
      return "LastCOM";
    case kLinkTcp:
      return "LastTCP";
    case kLinkWifi:
      return "LastWIFI";
    case kLinkGsm:
      return "LastGSM";
    case kLinkUsb:
      return "LastUSB";
    default:
      return nullptr;
  }
}

}  // namespace LocalSrv

int LocalServer::GetRcvList(std::string_view) {
  CProfile& profile = CConnection::getProfile();
  m_Reply = "RE:";
  int count = 0;
  std::string lastCom, lastUsb;
  for (int kind : {LocalSrv::kLinkCom, LocalSrv::kLinkTcp, LocalSrv::kLinkWifi, LocalSrv::kLinkGsm,
                   LocalSrv::kLinkUsb}) {
    const std::string last = profile.Read("LServer", LocalSrv::LastReceiverKey(kind), "");
    if (kind == LocalSrv::kLinkCom) lastCom = last;
    if (kind == LocalSrv::kLinkUsb) lastUsb = last;
    if (last.empty()) continue;
    m_Reply += last;
    ++count;
  }
  for (const Platform::SerialPortInfo& port : Platform::ListSerialPorts()) {
    const std::string entry = "COM" + port.PreferredPath() + ":115200:1,";
    if (entry == lastCom) continue;
    m_Reply += entry;
    ++count;
  }
  for (const Platform::UsbReceiverInfo& usb : Platform::ListUsbReceivers()) {
    const std::string entry = "USB:" + Platform::UsbReceiverWord(usb.description) + ",";
    if (entry == lastUsb) continue;
    m_Reply += entry;
    ++count;
  }
  return count;
}
