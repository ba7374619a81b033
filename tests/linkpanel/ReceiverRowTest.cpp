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
