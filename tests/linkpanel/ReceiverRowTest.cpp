// Receiver strings taken apart for in-place editing, the address check, and the list reply.
#include <gtest/gtest.h>

#include "list/ReceiverRow.h"

using namespace Kestrel;

namespace {

TEST(ReceiverRow, SerialRowsByPathOrNumber) {
  auto path = ParseComRow("COM/dev/ttyUSB0:115200:1");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->port, "/dev/ttyUSB0");
  EXPECT_EQ(path->rate, 115200);
  EXPECT_TRUE(path->rtsCts);
  auto number = ParseComRow("COM3:9600:0");
  ASSERT_TRUE(number);
  EXPECT_EQ(FormatComRow(*number), "COM3:9600:0");
  for (const char* bad : {"COM:115200:1", "COMx:115200:1", "COM3:fast:1", "COM3:115200", "USB:rcv1"})
    EXPECT_FALSE(ParseComRow(bad)) << bad;
}

TEST(ReceiverRow, NetworkRows) {
  auto row = ParseTcpRow("TCP:192.168.0.4:8002:se:cret");
  ASSERT_TRUE(row);
  EXPECT_EQ(row->host, "192.168.0.4");
  EXPECT_EQ(row->port, "8002");
  EXPECT_EQ(row->password, "se:cret");
  EXPECT_EQ(FormatTcpRow(*row), "TCP:192.168.0.4:8002:se:cret");
  EXPECT_FALSE(ParseTcpRow("TCP:192.168.0.4"));
  EXPECT_FALSE(ParseTcpRow("TCP::8002:pw"));
}

TEST(ReceiverRow, ShownRowsMaskPasswordsAndPinsOnly) {
  EXPECT_EQ(ShownRow("TCP:192.168.0.4:8002:se:cret"), "TCP:192.168.0.4:8002:****");
  EXPECT_EQ(ShownRow("TCP:192.168.0.4:8002:"), "TCP:192.168.0.4:8002:");
  EXPECT_EQ(ShownRow("GSM/dev/ttyUSB1:0041791234567:1234:19200"), "GSM/dev/ttyUSB1:0041791234567:****:19200");
  EXPECT_EQ(ShownRow("GSM2:555:0"), "GSM2:555:0");
  EXPECT_EQ(ShownRow("COM/dev/ttyUSB0:115200:1"), "COM/dev/ttyUSB0:115200:1");
}

TEST(ReceiverRow, WifiAndModemRows) {
  auto wifi = ParseTcpRow("WIFI:rover-3.local:8000:");
  ASSERT_TRUE(wifi);
  EXPECT_TRUE(wifi->wifi);
  EXPECT_EQ(wifi->host, "rover-3.local");
  EXPECT_EQ(FormatTcpRow(*wifi), "WIFI:rover-3.local:8000:");

  auto gsm = ParseGsmRow("GSM/dev/ttyUSB1:0041791234567:1234:19200");
  ASSERT_TRUE(gsm);
  EXPECT_EQ(gsm->port, "/dev/ttyUSB1");
  EXPECT_EQ(gsm->number, "0041791234567");
  EXPECT_EQ(gsm->pin, "1234");
  EXPECT_EQ(gsm->rate, 19200);
  EXPECT_EQ(FormatGsmRow(*gsm), "GSM/dev/ttyUSB1:0041791234567:1234:19200");
  auto noRate = ParseGsmRow("GSM2:555:0");
  ASSERT_TRUE(noRate);
  EXPECT_EQ(FormatGsmRow(*noRate), "GSM2:555:0");
  for (const char* bad : {"GSM/dev/ttyUSB1:555", "GSM:555:0", "GSM2::0", "GSM2:555:0:fast", "COM2:555:0"})
    EXPECT_FALSE(ParseGsmRow(bad)) << bad;
}

TEST(ReceiverRow, HostNamesAndPorts) {
  for (const char* good : {"10.0.0.1", "localhost", "rover-3.local", "rcv1.example.org", "a1"})
    EXPECT_TRUE(IsValidHost(good)) << good;
  for (const char* bad : {"10.0.256.1", "1.2.3", "", "-rover", "rover-", "a..b", "bad host", "x_y", "r:1"})
    EXPECT_FALSE(IsValidHost(bad)) << bad;
  for (const char* good : {"", "1", "8000", "65535"}) EXPECT_TRUE(IsValidPort(good)) << good;
  for (const char* bad : {"0", "65536", "80a", "-1"}) EXPECT_FALSE(IsValidPort(bad)) << bad;
}

TEST(ReceiverRow, AddressesWithANumberAbove255AreRefused) {
  for (const char* good : {"0.0.0.0", "192.168.1.255", "10.0.0.1"}) EXPECT_TRUE(IsValidIPv4(good)) << good;
  for (const char* bad : {"256.1.1.1", "1.256.1.1", "1.1.256.1", "1.1.1.256", "1.2.3", "1.2.3.4.5",
                          "-1.2.3.4", "1.2.3.4x", "a.b.c.d", "", "1..3.4", "0001.2.3.4"})
    EXPECT_FALSE(IsValidIPv4(bad)) << bad;
}

TEST(ReceiverRow, ListReplyItemsEndWithAComma) {
  EXPECT_EQ(ParseRcvListReply("RE:COM/dev/pts/3:115200:1,TCP:10.0.0.7:8002:pw,USB:unterminated"),
            (std::vector<std::string>{"COM/dev/pts/3:115200:1", "TCP:10.0.0.7:8002:pw"}));
  EXPECT_TRUE(ParseRcvListReply("RE:").empty());
  EXPECT_TRUE(ParseRcvListReply("").empty());
}

}  // namespace
