// The connection command line "server rcv1,rcv2, -l user -p password".
#include <gtest/gtest.h>

#include "linkpanel/Linkpanel.h"

namespace {

CONNECTION_INFO filled() {
  CONNECTION_INFO info;
  info.receivers = {"old"};
  info.server = "old-server";
  info.user = "old-user";
  info.password = "old-password";
  return info;
}

TEST(ParseCommandLine, ReadsServerReceiversAndLogin) {
  std::string text = "  rtk.example.org COM/dev/ttyUSB0:115200:1,TCP:10.0.0.7:8002:pw, -l ann -p s3cret  ";
  CONNECTION_INFO info = filled();
  const int consumed = Kestrel::ParseCommandLine(text, info);
  EXPECT_EQ(text, "rtk.example.org COM/dev/ttyUSB0:115200:1,TCP:10.0.0.7:8002:pw, -l ann -p s3cret");
  EXPECT_EQ(consumed, static_cast<int>(text.size()));
  EXPECT_EQ(info.server, "rtk.example.org");
  EXPECT_EQ(info.receivers, (std::vector<std::string>{"COM/dev/ttyUSB0:115200:1", "TCP:10.0.0.7:8002:pw"}));
  EXPECT_EQ(info.user, "ann");
  EXPECT_EQ(info.password, "s3cret");
}

TEST(ParseCommandLine, OptionFirstOrEmptyTextReadsNothing) {
  for (std::string text : {std::string("-l ann -p pw"), std::string("/server x"), std::string("   ")}) {
    CONNECTION_INFO info = filled();
    EXPECT_EQ(Kestrel::ParseCommandLine(text, info), 0) << text;
    EXPECT_TRUE(info.receivers.empty());
    EXPECT_EQ(info.server, "");
    EXPECT_EQ(info.user, "");
    EXPECT_EQ(info.password, "");
  }
}

TEST(ParseCommandLine, OptionAfterTheServerStopsBeforeStoringIt) {
  std::string text = "LServer -l ann -p pw";
  CONNECTION_INFO info = filled();
  EXPECT_EQ(Kestrel::ParseCommandLine(text, info), 8);
  EXPECT_EQ(info.server, "");
  EXPECT_TRUE(info.receivers.empty());
  EXPECT_EQ(info.user, "");
}

TEST(ParseCommandLine, TextAfterTheLastCommaIsOneMoreReceiver) {
  std::string text = "LServer COM3:115200:1,COM4:9600:0";
  CONNECTION_INFO info;
  EXPECT_EQ(Kestrel::ParseCommandLine(text, info), static_cast<int>(text.size()));
  EXPECT_EQ(info.server, "LServer");
  EXPECT_EQ(info.receivers, (std::vector<std::string>{"COM3:115200:1", "COM4:9600:0"}));
  EXPECT_EQ(info.user, "");
}

TEST(ParseCommandLine, IncompleteLoginIsLeftUnread) {
  std::string text = "srv A, -l ann";
  CONNECTION_INFO info;
  EXPECT_EQ(Kestrel::ParseCommandLine(text, info), 6);
  EXPECT_EQ(info.server, "srv");
  EXPECT_EQ(info.receivers, (std::vector<std::string>{"A"}));
  EXPECT_EQ(info.user, "");
  EXPECT_EQ(info.password, "");
}

}  // namespace
