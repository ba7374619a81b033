#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <numeric>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "gridlink/platform/PtyPair.h"
#include "gridlink/platform/SerialPort.h"

using namespace Platform;

namespace {
class SerialOverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pty.Open()) GTEST_SKIP() << "no pseudo-terminals here: errno " << pty.LastError();
    ASSERT_TRUE(port.Open(pty.SlavePath())) << "errno " << port.LastError();
  }
  // Reads n bytes from the master; stops early after a second of silence.
  std::vector<unsigned char> readMaster(std::size_t n) {
    std::vector<unsigned char> got;
    unsigned char buf[4096];
    while (got.size() < n) {
      const int r = pty.ReadMaster(buf, sizeof buf, 1000);
      if (r <= 0) break;
      got.insert(got.end(), buf, buf + r);
    }
    return got;
  }
  PtyPair pty;
  SerialPort port;
};

std::vector<unsigned char> pattern(std::size_t n) {
  std::vector<unsigned char> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i * 7 + 3);
  return v;
}
}  // namespace

TEST_F(SerialOverPty, EveryRateOfTheLineSpeedTableIsSetAndSeenFromBothSides) {
  for (std::uint32_t rate :
       {1500000u, 460800u, 230400u, 115200u, 57600u, 38400u, 19200u, 9600u, 4800u, 2400u, 1200u}) {
    EXPECT_TRUE(IsStandardSerialRate(rate)) << rate;
    ASSERT_TRUE(port.SetSpeed(rate)) << rate << " errno " << port.LastError();
    EXPECT_EQ(port.GetSpeed(), rate);
    EXPECT_EQ(pty.SlaveSpeed(), rate) << "the master reports the slave's settings";
  }
}

TEST_F(SerialOverPty, RatesWithoutAConstantGoThroughBother) {
  for (std::uint32_t rate : {250000u, 14400u, 1234567u}) {
    EXPECT_FALSE(IsStandardSerialRate(rate)) << rate;
    ASSERT_TRUE(port.SetSpeed(rate)) << rate << " errno " << port.LastError();
    EXPECT_EQ(port.GetSpeed(), rate);
    EXPECT_EQ(pty.SlaveSpeed(), rate);
  }
  ASSERT_TRUE(port.SetSpeed(9600));  // and back to a standard one
  EXPECT_EQ(pty.SlaveSpeed(), 9600u);
}

TEST_F(SerialOverPty, OpensAt115200AndRefusesRateZero) {
  EXPECT_EQ(port.GetSpeed(), 115200u);
  EXPECT_FALSE(port.SetSpeed(0));
  EXPECT_EQ(port.LastError(), EINVAL);
  EXPECT_EQ(port.GetSpeed(), 115200u);
}

TEST_F(SerialOverPty, BytesTravelBothWays) {
  const auto toDevice = pattern(20000), toClient = pattern(30000);
  std::vector<unsigned char> atClient, atDevice;
  std::thread clientReader([&] {
    unsigned char buf[1024];
    while (atClient.size() < toClient.size()) {
      const int r = port.Read(buf, sizeof buf, 1000);
      if (r <= 0) break;
      atClient.insert(atClient.end(), buf, buf + r);
    }
  });
  std::thread deviceReader([&] { atDevice = readMaster(toDevice.size()); });
  std::thread deviceWriter([&] { pty.WriteMaster(toClient.data(), toClient.size(), 10000); });
  EXPECT_EQ(port.Write(toDevice.data(), toDevice.size(), 10000), static_cast<int>(toDevice.size()));
  deviceWriter.join();
  deviceReader.join();
  clientReader.join();
  EXPECT_TRUE(port.Drain(1000));
  EXPECT_TRUE(atDevice == toDevice);
  EXPECT_TRUE(atClient == toClient);
}

TEST_F(SerialOverPty, ReadTimesOutWithZero) {
  unsigned char b;
  EXPECT_EQ(port.Read(&b, 1, 30), 0);
  EXPECT_EQ(port.Read(&b, 1, 0), 0);
}

TEST_F(SerialOverPty, WriteToAPeerThatDoesNotReadEndsAtTheBound) {
  const auto big = pattern(1 << 20);
  const int n = port.Write(big.data(), big.size(), 100);
  EXPECT_GE(n, 0);
  EXPECT_LT(n, static_cast<int>(big.size()));
  EXPECT_EQ(port.LastError(), ETIMEDOUT);
}

TEST_F(SerialOverPty, PurgeDropsWaitingInput) {
  const char text[] = "stale reply";
  ASSERT_EQ(pty.WriteMaster(text, sizeof text, 1000), static_cast<int>(sizeof text));
  for (int i = 0; i < 500 && port.BytesAvailable() <= 0; ++i) usleep(2000);
  ASSERT_GT(port.BytesAvailable(), 0);
  EXPECT_TRUE(port.Purge(true, true));
  unsigned char b;
  EXPECT_EQ(port.Read(&b, 1, 30), 0);
}

TEST_F(SerialOverPty, ModemLinesAndCountersAreNotSupportedButHarmless) {
  EXPECT_EQ(port.SetRts(true), SerialSupport::NotSupported);
  EXPECT_EQ(port.SetDtr(false), SerialSupport::NotSupported);
  SerialLineCounters c;
  EXPECT_EQ(port.GetLineCounters(c), SerialSupport::NotSupported);
  const char ping[] = "ping";
  EXPECT_EQ(port.Write(ping, 4, 1000), 4) << "the port still works afterwards";
  EXPECT_EQ(readMaster(4), std::vector<unsigned char>(ping, ping + 4));
}

TEST_F(SerialOverPty, HandshakeSettingReachesTheDeviceSide) {
  EXPECT_TRUE(port.SetHardwareFlowControl(true));
  EXPECT_TRUE(port.HardwareFlowControl());
  EXPECT_TRUE(pty.SlaveHardwareFlow());
  EXPECT_TRUE(port.SetHardwareFlowControl(false));
  EXPECT_FALSE(pty.SlaveHardwareFlow());
}

TEST_F(SerialOverPty, CutCableGivesErrorsNotHangsOrEmptyReads) {
  pty.CloseMaster();
  unsigned char b[16];
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(port.Read(b, sizeof b, 5000), -1) << "a hang-up must not look like a time-out";
    EXPECT_EQ(port.LastError(), EIO);
  }
  EXPECT_EQ(port.Write("x", 1, 1000), -1);
  EXPECT_EQ(port.LastError(), EIO);
}

TEST_F(SerialOverPty, SecondOpenOfTheSamePortIsRefused) {
  SerialPort second;
  EXPECT_FALSE(second.Open(pty.SlavePath()));
  EXPECT_EQ(second.LastError(), EBUSY);
  EXPECT_FALSE(second.IsOpen());
  port.Close();
  EXPECT_TRUE(second.Open(pty.SlavePath())) << "free again once closed";
}

TEST_F(SerialOverPty, ClientMayCloseAndReopenWhileTheDeviceWaits) {
  port.Close();
  unsigned char b;
  EXPECT_EQ(pty.ReadMaster(&b, 1, 30), 0) << "no hang-up while the pair holds the slave";
  ASSERT_TRUE(port.Open(pty.SlavePath()));
  ASSERT_EQ(port.Write("k", 1, 1000), 1);
  EXPECT_EQ(readMaster(1), std::vector<unsigned char>{'k'});
}

TEST_F(SerialOverPty, MasterSeesHangUpOnceNobodyHoldsTheSlave) {
  pty.ReleaseSlave();
  port.Close();
  unsigned char b;
  EXPECT_EQ(pty.ReadMaster(&b, 1, 5000), -1);
  EXPECT_EQ(errno, EIO);
}

TEST(SerialPort, OpenFailuresLeaveItClosedWithTheCause) {
  SerialPort port;
  EXPECT_FALSE(port.Open("/nonexistent/ttyUSB9"));
  EXPECT_EQ(port.LastError(), ENOENT);
  TempDir dir;
  const std::string file = dir.str() + "/plain";
  ::close(::open(file.c_str(), O_CREAT | O_WRONLY, 0600));
  EXPECT_FALSE(port.Open(file));
  EXPECT_EQ(port.LastError(), ENOTTY);
  EXPECT_FALSE(port.IsOpen());
  unsigned char b;
  EXPECT_EQ(port.Read(&b, 1, 0), -1);
  EXPECT_EQ(port.Write(&b, 1, 0), -1);
  EXPECT_FALSE(port.SetSpeed(9600));
  EXPECT_EQ(port.LastError(), EBADF);
}
