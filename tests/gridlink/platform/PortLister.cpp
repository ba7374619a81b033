// Prints the serial ports that ListSerialPorts finds, one "path|kernel name|description" a line.
#include <cstdio>

#include "gridlink/platform/SerialPortList.h"

int main() {
  for (const Platform::SerialPortInfo& p : Platform::ListSerialPorts())
    std::printf("%s|%s|%s\n", p.devicePath.c_str(), p.kernelName.c_str(), p.description.c_str());
  return 0;
}
