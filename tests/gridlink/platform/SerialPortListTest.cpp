// Enumeration against a faked sysfs: the lister runs inside a umockdev testbed described below.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "TempDir.h"
#include "TestPaths.h"
#include "gridlink/platform/SerialPortList.h"

namespace {
// A USB-serial adapter with vendor and model, a CDC-ACM device with only a serial text, a bare
// USB-serial adapter, on-board UARTs with and without driver or chip, a virtual terminal and an
// RFCOMM link.
const char kTestbed[] = R"(P: /devices/pci0000:00/0000:00:14.0/usb1/1-2
N: bus/usb/001/002
E: DEVNAME=/dev/bus/usb/001/002
E: DEVTYPE=usb_device
E: DRIVER=usb
E: SUBSYSTEM=usb
E: ID_VENDOR=Acme
E: ID_MODEL=GNSS_Receiver
E: ID_SERIAL=Acme_GNSS_Receiver_0042
L: driver=../../../../../bus/usb/drivers/usb

P: /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0
E: DEVTYPE=usb_interface
E: DRIVER=ftdi_sio
E: SUBSYSTEM=usb
L: driver=../../../../../../bus/usb/drivers/ftdi_sio

P: /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0
E: DRIVER=ftdi_sio
E: SUBSYSTEM=usb-serial
L: driver=../../../../../../../bus/usb-serial/drivers/ftdi_sio

P: /devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0
N: ttyUSB0
E: DEVNAME=/dev/ttyUSB0
E: SUBSYSTEM=tty

P: /devices/pci0000:00/0000:00:14.0/usb1/1-3
N: bus/usb/001/003
E: DEVNAME=/dev/bus/usb/001/003
E: DEVTYPE=usb_device
E: DRIVER=usb
E: SUBSYSTEM=usb
E: ID_SERIAL=Survey_Radio_0123
L: driver=../../../../../bus/usb/drivers/usb

P: /devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0
E: DEVTYPE=usb_interface
E: DRIVER=cdc_acm
E: SUBSYSTEM=usb
L: driver=../../../../../../bus/usb/drivers/cdc_acm

P: /devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/tty/ttyACM0
N: ttyACM0
E: DEVNAME=/dev/ttyACM0
E: SUBSYSTEM=tty

P: /devices/pci0000:00/0000:00:14.0/usb1/1-4
E: DEVTYPE=usb_device
E: DRIVER=usb
E: SUBSYSTEM=usb
L: driver=../../../../../bus/usb/drivers/usb

P: /devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0
E: DEVTYPE=usb_interface
E: DRIVER=pl2303
E: SUBSYSTEM=usb
L: driver=../../../../../../bus/usb/drivers/pl2303

P: /devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/ttyUSB1
E: DRIVER=pl2303
E: SUBSYSTEM=usb-serial
L: driver=../../../../../../../bus/usb-serial/drivers/pl2303

P: /devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/ttyUSB1/tty/ttyUSB1
N: ttyUSB1
E: DEVNAME=/dev/ttyUSB1
E: SUBSYSTEM=tty

P: /devices/pnp0/00:02
E: DRIVER=serial
E: SUBSYSTEM=pnp
L: driver=../../../bus/pnp/drivers/serial

P: /devices/pnp0/00:02/tty/ttyS2
N: ttyS2
E: DEVNAME=/dev/ttyS2
E: SUBSYSTEM=tty
A: type=4

P: /devices/pnp0/00:03
E: DRIVER=serial
E: SUBSYSTEM=pnp
L: driver=../../../bus/pnp/drivers/serial

P: /devices/pnp0/00:03/tty/ttyS3
N: ttyS3
E: DEVNAME=/dev/ttyS3
E: SUBSYSTEM=tty
A: type=0

P: /devices/pnp0/00:0a
E: DRIVER=serial
E: SUBSYSTEM=pnp
L: driver=../../../bus/pnp/drivers/serial

P: /devices/pnp0/00:0a/tty/ttyS10
N: ttyS10
E: DEVNAME=/dev/ttyS10
E: SUBSYSTEM=tty
A: type=4

P: /devices/platform/serial8250
E: SUBSYSTEM=platform

P: /devices/platform/serial8250/tty/ttyS1
N: ttyS1
E: DEVNAME=/dev/ttyS1
E: SUBSYSTEM=tty
A: type=4

P: /devices/virtual/tty/tty5
N: tty5
E: DEVNAME=/dev/tty5
E: SUBSYSTEM=tty

P: /devices/virtual/tty/rfcomm0
N: rfcomm0
E: DEVNAME=/dev/rfcomm0
E: SUBSYSTEM=tty
)";

const char kExpected[] =
    "/dev/rfcomm0|rfcomm0|rfcomm0\n"
    "/dev/ttyACM0|ttyACM0|Survey Radio 0123 (ttyACM0)\n"
    "/dev/ttyS2|ttyS2|ttyS2\n"
    "/dev/ttyS10|ttyS10|ttyS10\n"
    "/dev/ttyUSB0|ttyUSB0|Acme GNSS Receiver (ttyUSB0)\n"
    "/dev/ttyUSB1|ttyUSB1|ttyUSB1\n";

// Runs the command, returns its output and exit status (bounded by timeout(1) in the command).
std::string run(const std::string& command, int& status) {
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return status = -1, out;
  char buf[512];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int rc = ::pclose(p);
  status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}
}  // namespace

TEST(ListSerialPorts, KeepsRealPortsWithTheirDescriptionsUnderATestbed) {
  if (std::system("command -v umockdev-run >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "umockdev-run is not installed (package umockdev)";
  TempDir dir;
  const std::string bed = dir.str() + "/ports.umockdev";
  std::ofstream(bed) << kTestbed;
  // The preload library goes in front of a sanitizer runtime; tell ASan that this is meant.
  const std::string env = "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0\" ";
  int status = 0;
  const std::string out = run(
      env + "timeout 60 umockdev-run -d " + bed + " -- " + TestPaths::binDir() + "/platform_port_lister 2>&1",
      status);
  if (status != 0 && out.find("umockdev") != std::string::npos)
    GTEST_SKIP() << "umockdev cannot set up a testbed here: " << out;
  ASSERT_EQ(status, 0) << out;
  EXPECT_EQ(out, kExpected);
}

TEST(ListSerialPorts, RealMachineListHasNoVirtualTerminals) {
  for (const Platform::SerialPortInfo& p : Platform::ListSerialPorts()) {
    EXPECT_EQ(p.devicePath.rfind("/dev/", 0), 0u) << p.devicePath;
    EXPECT_FALSE(p.kernelName.rfind("pts", 0) == 0 || p.kernelName == "console" || p.kernelName == "ptmx" ||
                 (p.kernelName.rfind("tty", 0) == 0 && p.kernelName.size() > 3 &&
                  std::isdigit(static_cast<unsigned char>(p.kernelName[3]))))
        << p.kernelName;
    EXPECT_FALSE(p.description.empty());
  }
}

TEST(SerialPortMonitor, PortsPluggedInAndPulledOutAreReportedByTheirStableName) {
  if (std::system("command -v umockdev-wrapper >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "umockdev-wrapper is not installed (package umockdev)";
  const std::string helper = TestPaths::binDir() + "/platform_port_watcher";
  if (std::system(("test -x " + helper).c_str()) != 0) GTEST_SKIP() << "built without libumockdev";
  const std::string env = "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0\" ";
  int status = 0;
  const std::string out = run(env + "timeout 60 umockdev-wrapper " + helper + " 2>&1", status);
  if (status == 3 || (status != 0 && out.find("umockdev") != std::string::npos))
    GTEST_SKIP() << "umockdev cannot emulate udev events here: " << out;
  ASSERT_EQ(status, 0) << out;
  const std::string byId = "/dev/ttyUSB0 /dev/serial/by-id/usb-Acme_GNSS_Receiver_0042-if00-port0\n";
  EXPECT_NE(out.find("add " + byId), std::string::npos) << out;
  EXPECT_NE(out.find("remove " + byId), std::string::npos) << out;
  EXPECT_LT(out.find("add "), out.find("remove ")) << out;
}
