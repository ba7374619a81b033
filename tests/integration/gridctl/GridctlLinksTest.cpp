// gridctl on the other receiver links: a network port with its login, a receiver behind a
// modem, and the USB receivers of a faked machine in the receiver list.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "GridctlRun.h"
#include "TempDir.h"

namespace {

TEST(GridctlLinks, NetworkReceiverWithLoginWorksLikeASerialOne) {
  ScopedConfigHome config;
  SimProcess sim({"--tcp", "127.0.0.1:0", "--password", "pw"});
  ASSERT_FALSE(sim.tcpPort().empty()) << "rcvsim did not start";
  const std::string tcp = "TCP:127.0.0.1:" + sim.tcpPort() + ":pw";
  Outcome ok = gridctl("--receiver " + tcp + " print,/par/rcvid");
  EXPECT_EQ(ok.status, 0) << ok.out;
  EXPECT_EQ(ok.out, "RE00CSIM0A1B2C3D4\n");
  // The network receiver opened last is offered first.
  EXPECT_EQ(gridctl("--list").out.rfind(tcp + "\n", 0), 0u);

  Outcome refused = gridctl("--receiver TCP:127.0.0.1:" + sim.tcpPort() + ":wrong print,/par/rcvid");
  EXPECT_EQ(refused.status, 2);
}

TEST(GridctlLinks, ReceiverBehindAModem) {
  ScopedConfigHome config;
  SimProcess sim({"--pty", "--modem", "--rate", "19200", "--modem-pin", "4321"});
  ASSERT_FALSE(sim.pty().empty()) << "rcvsim did not start";
  Outcome ok = gridctl("--receiver GSM" + sim.pty() + ":0041791234567:4321:19200 print,/par/rcvid");
  EXPECT_EQ(ok.status, 0) << ok.out;
  EXPECT_EQ(ok.out, "RE00CSIM0A1B2C3D4\n");
}

TEST(GridctlLinks, ModemExampleOfTheReadmeWorksAsWritten) {
  ScopedConfigHome config;
  SimProcess sim({"--pty", "--modem"});
  ASSERT_FALSE(sim.pty().empty()) << "rcvsim did not start";
  Outcome ok = gridctl("--receiver GSM" + sim.pty() + ":0041791234567:0 print,/par/rcvid");
  EXPECT_EQ(ok.status, 0) << ok.out;
  EXPECT_EQ(ok.out, "RE00CSIM0A1B2C3D4\n");
  // Hung up when closed: the modem dials again for the next run.
  EXPECT_EQ(gridctl("--receiver GSM" + sim.pty() + ":0041791234567:0 print,/par/rcvid").status, 0);
  // Remembered like a serial or network receiver.
  EXPECT_NE(gridctl("--list").out.find("GSM" + sim.pty() + ":0041791234567:0\n"), std::string::npos);
}

TEST(GridctlLinks, WifiReceiverIsRememberedInTheList) {
  ScopedConfigHome config;
  SimProcess sim({"--tcp", "127.0.0.1:0", "--wifi"});
  ASSERT_FALSE(sim.tcpPort().empty()) << "rcvsim did not start";
  const std::string wifi = "WIFI:localhost:" + sim.tcpPort() + ":";
  EXPECT_EQ(gridctl("--receiver " + wifi + " print,/par/rcvid").status, 0);
  EXPECT_NE(gridctl("--list").out.find(wifi + "\n"), std::string::npos);
}

// Two receivers by their makers' vendor ids (one naming its product, one known to udev's
// database only) and a device of another maker.
const char kUsbTestbed[] = R"(P: /devices/pci0000:00/0000:00:14.0/usb1/1-2
N: bus/usb/001/002
E: DEVNAME=/dev/bus/usb/001/002
E: DEVTYPE=usb_device
E: DRIVER=usb
E: SUBSYSTEM=usb
A: idVendor=5e21
A: idProduct=0001
A: product=NH Receiver
L: driver=../../../../../bus/usb/drivers/usb

P: /devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3.1
N: bus/usb/001/005
E: DEVNAME=/dev/bus/usb/001/005
E: DEVTYPE=usb_device
E: DRIVER=usb
E: SUBSYSTEM=usb
E: ID_MODEL=Base_Station
A: idVendor=4D73
L: driver=../../../../../../bus/usb/drivers/usb

P: /devices/pci0000:00/0000:00:14.0/usb1/1-4
N: bus/usb/001/003
E: DEVNAME=/dev/bus/usb/001/003
E: DEVTYPE=usb_device
E: DRIVER=usb
E: SUBSYSTEM=usb
A: idVendor=046d
A: product=Optical Mouse
L: driver=../../../../../bus/usb/drivers/usb
)";

TEST(GridctlLinks, ListShowsTheUsbReceiversOfAFakedMachine) {
  if (std::system("command -v umockdev-run >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "umockdev-run is not installed (package umockdev)";
  ScopedConfigHome config;
  TempDir dir;
  const std::string bed = dir.str() + "/usb.umockdev";
  std::ofstream(bed) << kUsbTestbed;
  // The preload library goes in front of a sanitizer runtime; tell ASan that this is meant.
  const std::string env = "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0\" ";
  const Outcome list = runCommand(env + "timeout 60 umockdev-run -d " + bed + " -- " + TestPaths::binDir() +
                                  "/gridctl --list 2>&1");
  if (list.status != 0 && list.out.find("umockdev") != std::string::npos)
    GTEST_SKIP() << "umockdev cannot set up a testbed here: " << list.out;
  ASSERT_EQ(list.status, 0) << list.out;
  EXPECT_EQ(list.out, "USB:1-2\nUSB:1-3.1\n");
}

}  // namespace
