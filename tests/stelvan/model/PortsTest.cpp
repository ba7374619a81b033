// The direct ports where no receiver is needed: Bluetooth without a radio,
// USB against a fake device, TCP and serial read time-outs.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <thread>

#include "gridlink/platform/PtyPair.h"
#include "ports/CBluetoothPort.h"
#include "ports/CSerialPort.h"
#include "ports/CTcpipPort.h"
#include "ports/CUsbPort.h"

namespace {

// A TCP socket bound to a free port on 127.0.0.1 (not yet listening); -1 when the system
// refuses.
int boundLoopbackSocket(int& port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    if (s >= 0) ::close(s);
    return -1;
  }
  port = ntohs(a.sin_port);
  return s;
}

using namespace CMNC;

TEST(Ports, BluetoothOpenFailsWithAClearText) {
  // No radio on a build machine: refused before any connect is tried.
  CBluetoothPort bt;
  ASSERT_FALSE(bt.Open("00:11:22:33:44:55"));
  EXPECT_FALSE(CBluetoothPort::isAvailable());
  EXPECT_NE(bt.LastError().find("Bluetooth"), std::string::npos) << bt.LastError();
  EXPECT_FALSE(bt.IsOpen());
}

// A device that echoes what is written, upper-cased, as the receiver's pipes would carry it.
struct FakeDevice : IUsbDevice {
  std::deque<std::uint8_t>* queue;
  int bulkRead(std::uint8_t* b, std::size_t n, unsigned) override {
    std::size_t k = 0;
    while (k < n && !queue->empty()) {
      b[k++] = queue->front();
      queue->pop_front();
    }
    return static_cast<int>(k);
  }
  int bulkWrite(const std::uint8_t* b, std::size_t n, unsigned) override {
    for (std::size_t i = 0; i < n; ++i) queue->push_back(static_cast<std::uint8_t>(std::toupper(b[i])));
    return static_cast<int>(n);
  }
  std::string lastError() const override { return {}; }
};

struct FakeBackend : IUsbBackend {
  std::deque<std::uint8_t> queue;
  std::vector<UsbDeviceInfo> list() override {
    return {{"\\\\?\\usb#vid_4d73&pid_0001#SN9", "SN9", "1-2"},
            {"\\\\?\\usb#vid_4d73&pid_0001#SN1", "SN1", "1-2.4"}};
  }
  std::unique_ptr<IUsbDevice> open(const std::string& name, std::string& error) override {
    if (name != list()[1].name) {
      error = "USB device not found: " + name;
      return nullptr;
    }
    auto d = std::make_unique<FakeDevice>();
    d->queue = &queue;
    return d;
  }
};

TEST(Ports, UsbPortReadsAndWritesTheFakeDevice) {
  FakeBackend backend;
  CUsbPort usb(&backend);
  // By the port path gridctl shows: the receiver on that very port, not one further down.
  EXPECT_FALSE(usb.Open("1-3"));
  EXPECT_NE(usb.LastError().find("No USB receiver at 1-3"), std::string::npos);
  ASSERT_TRUE(usb.Open("1-2.4"));
  usb.Close();
  EXPECT_FALSE(usb.Open("1-2"));  // the receiver at 1-2 itself, which this fake cannot open
  EXPECT_NE(usb.LastError().find("SN9"), std::string::npos);
  EXPECT_FALSE(usb.Open("\\\\?\\usb#vid_1111&pid_0001#SN1"));  // not a receiver's vendor
  EXPECT_FALSE(usb.Open("\\\\?\\usb#vid_5e21&pid_0001#SN2"));
  EXPECT_NE(usb.LastError().find("not found"), std::string::npos);
  ASSERT_TRUE(usb.Open("\\\\?\\usb#vid_4d73&pid_0001#SN1"));
  const std::string out = "%1%print,/par/rcvid\n";
  EXPECT_EQ(usb.Write(reinterpret_cast<const std::uint8_t*>(out.data()), out.size(), -1),
            static_cast<int>(out.size()));
  std::uint8_t buf[64];
  const int n = usb.Read(buf, sizeof buf, 100);
  ASSERT_EQ(n, static_cast<int>(out.size()));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 5), "%1%PR");
  usb.Close();
  EXPECT_EQ(usb.Read(buf, sizeof buf, 100), -1);
}

TEST(Ports, TcpOneByteReadReturnsAfterTheFirstByte) {
  int port = 0;
  const int ls = boundLoopbackSocket(port);
  ASSERT_GE(ls, 0);
  ASSERT_EQ(::listen(ls, 1), 0);
  std::thread peer([&] {
    const int c = ::accept(ls, nullptr, nullptr);
    const char* greet = "\r\nlogin: ";
    ::send(c, greet, std::strlen(greet), 0);
    char b[16];
    ::recv(c, b, sizeof b, 0);  // the user name's line feed
    ::send(c, "\r\npassword: ", 12, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::send(c, "xy", 2, 0);
    ::recv(c, b, sizeof b, 0);  // waits for the test's byte, then closes
    ::close(c);
  });
  CTcpipPort tcp;
  ASSERT_TRUE(tcp.Open("127.0.0.1:" + std::to_string(port)));
  EXPECT_NE(tcp.greeting().find("password: "), std::string::npos);
  std::uint8_t one = 0;
  // A one-byte read with the default interval ends with the first byte.
  EXPECT_EQ(tcp.Read(&one, 1, 5000), 1);
  EXPECT_EQ(one, 'x');
  tcp.Write(&one, 1, -1);
  peer.join();
  ::close(ls);
}

TEST(Ports, SerialReadWithZeroTotalReturnsAtOnceWithWhatIsBuffered) {
  Platform::PtyPair pty;
  ASSERT_TRUE(pty.Open());
  CSerialPort port;
  ASSERT_TRUE(port.Open(pty.SlavePath())) << port.LastError();
  std::uint8_t buf[16];
  EXPECT_EQ(port.Read(buf, sizeof buf, 0), 0);
  pty.WriteMaster("abc", 3, 1000);
  int n = 0;
  for (int i = 0; i < 100 && n == 0; ++i) {
    n = port.Read(buf, sizeof buf, 0);
    if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), static_cast<std::size_t>(n)), "abc");
  EXPECT_EQ(CSerialPort::devicePath("COM3"), "/dev/ttyS2");
  EXPECT_EQ(CSerialPort::devicePath("COM/dev/ttyUSB0"), "/dev/ttyUSB0");
}

}  // namespace

// A refused connection names the host and port, never the rest of the settings (the login's
// password may be among them).
TEST(Ports, TcpRefusalNamesHostAndPortOnly) {
  int port = 0;
  const int ls = boundLoopbackSocket(port);
  ASSERT_GE(ls, 0);
  const std::string address = "127.0.0.1:" + std::to_string(port);
  CTcpipPort tcp;
  EXPECT_FALSE(tcp.Open(address + ":admin:s3cret:"));  // bound, not listening: refused
  EXPECT_EQ(tcp.LastError().rfind(address + ": ", 0), 0u) << tcp.LastError();
  EXPECT_EQ(tcp.LastError().find("s3cret"), std::string::npos) << tcp.LastError();
  ::close(ls);
}
