// The USB link against a fake device behind its USB seam: finding the device by name, the
// endpoint rules, the exchange over bulk pipes, and a device that goes away.
#include <gtest/gtest.h>

#include <thread>

#include "FakeUsb.h"
#include "LinkTestOwner.h"
#include "ScriptedLink.h"
#include "gridlink/platform/Clock.h"
#include "links/CUSBConnection.h"

namespace {

const std::vector<Platform::UsbReceiverInfo> kReceivers = {
    {"/dev/bus/usb/001/009", "1-2.4", "NH Receiver (1-2.4)"},
    {"/dev/bus/usb/001/002", "1-2", "NH Receiver (1-2)"},
};

// Answers "%id%print,..." with "RE" + "%id%ok".
std::string answerWithIdentifier(const std::string& line) {
  const std::size_t close = line.find('%', 1);
  return zrxFrame("RE",
                  (line[0] == '%' && close != std::string::npos ? line.substr(0, close + 1) : "") + "ok");
}

template <class F>
bool eventually(F f) {
  for (int i = 0; i < 500 && !f(); ++i) Platform::Sleep(10);
  return f();
}

TEST(UsbLink, OpensTheNamedReceiverAndExchangesOverTheBulkPipes) {
  LinkTestOwner owner;
  FakeUsbAccess usb(kReceivers, "/dev/bus/usb/001/002");
  usb.state->responder = answerWithIdentifier;
  // "1-2" is also part of "(1-2.4)", listed first; the receiver listed as "(1-2)" is meant.
  CUSBConnection link(owner, "USB:1-2", usb);
  ASSERT_EQ(link.StatusText(), "");
  EXPECT_EQ(usb.opened, std::vector<std::string>{"/dev/bus/usb/001/002"});
  EXPECT_TRUE(usb.state->claimed);
  std::string reply;
  EXPECT_TRUE(link.SendCommand("%7%print,/par/rcvid", reply, 5000)) << reply;
  EXPECT_EQ(reply, "RE005%7%ok");
  EXPECT_EQ(usb.state->received().rfind("%7%print,/par/rcvid", 0), 0u);
}

TEST(UsbLink, InterfaceWithoutTwoBulkPipesOrWithAnotherKindIsRefused) {
  const std::vector<std::vector<UsbEndpoint>> bad = {
      {{0x81, UsbTransferType::Bulk}, {0x02, UsbTransferType::Bulk}, {0x83, UsbTransferType::Isochronous}},
      {{0x81, UsbTransferType::Bulk}, {0x83, UsbTransferType::Interrupt}},
      {{0x81, UsbTransferType::Bulk}, {0x00, UsbTransferType::Control}, {0x02, UsbTransferType::Bulk}},
  };
  for (const auto& endpoints : bad) {
    LinkTestOwner owner;
    FakeUsbAccess usb(kReceivers, "/dev/bus/usb/001/009");
    usb.state->endpoints = endpoints;
    CUSBConnection link(owner, "USB:1-2.4", usb);
    EXPECT_EQ(link.StatusText(), "Can't initialize interfaces");
    EXPECT_FALSE(usb.state->claimed);
  }
}

TEST(UsbLink, UnpluggedDeviceEndsTheLinkAndFailsThePendingCommandAtOnce) {
  LinkTestOwner owner;
  FakeUsbAccess usb(kReceivers, "/dev/bus/usb/001/002");  // no responder: the command waits
  CUSBConnection link(owner, "USB:1-2", usb);
  ASSERT_EQ(link.StatusText(), "");
  std::thread puller([&] {
    eventually([&] { return !usb.state->received().empty(); });
    usb.state->unplug();
  });
  std::string reply;
  EXPECT_FALSE(link.SendCommand("print,/par/rcvid", reply, 60000));
  puller.join();
  EXPECT_EQ(reply, "ER:Receiver link lost: USB device unplugged");
  EXPECT_TRUE(link.LinkLost());
  EXPECT_EQ(link.Write("x", 1), 0);
}

TEST(UsbLink, DeviceFailingEveryReadEndsTheLinkInsteadOfRetryingForEver) {
  LinkTestOwner owner;
  FakeUsbAccess usb(kReceivers, "/dev/bus/usb/001/002");
  CUSBConnection link(owner, "USB:1-2", usb);
  ASSERT_EQ(link.StatusText(), "");
  {
    std::lock_guard<std::mutex> g(usb.state->m);
    usb.state->failReads = true;
    usb.state->cv.notify_all();
  }
  ASSERT_TRUE(eventually([&] { return link.LinkLost(); }));
  EXPECT_EQ(link.StatusText(), "Receiver link lost: USB Input/Output Error");
}

TEST(UsbLink, NamesThatMatchNoDeviceFailWithTheSystemsText) {
  LinkTestOwner owner;
  // The real USB access: a name no receiver carries leaves the path empty, and opening it fails.
  CUSBConnection none(owner, "USB:no-such-receiver");
  EXPECT_EQ(none.DevicePath(), "");
  EXPECT_EQ(none.StatusText(), "No such file or directory");
  CUSBConnection bare(owner, "USB:");
  EXPECT_EQ(bare.StatusText(), "USB:");
}

}  // namespace
