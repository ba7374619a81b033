#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <regex>
#include <string>

#include "gridlink/CBlockingSocketException.h"
#include "gridlink/CSockAddr.h"

TEST(SockAddr, ConstructorsKeepNetworkOrderAndReportHostOrder) {
  const CSockAddr none;
  EXPECT_EQ(none.In().sin_family, AF_INET);
  EXPECT_EQ(none.Port(), 0);
  EXPECT_EQ(none.IPAddr(), 0u);

  const CSockAddr dotted("192.168.1.20", 8000);
  EXPECT_EQ(dotted.IPAddr(), 0xC0A80114u);
  EXPECT_EQ(dotted.Port(), 8000);
  EXPECT_EQ(dotted.In().sin_port, htons(8000));
  EXPECT_EQ(dotted.In().sin_addr.s_addr, htonl(0xC0A80114u));
  EXPECT_EQ(dotted.DottedDecimal(), "192.168.1.20");

  const CSockAddr numeric(0x7F000001u, 9000);
  EXPECT_EQ(numeric.DottedDecimal(), "127.0.0.1");
  EXPECT_EQ(numeric, CSockAddr("127.0.0.1", 9000));
}

TEST(SockAddr, TextThatIsNoAddressNeverBecomesARealHost) {
  for (const char* text : {"", "localhost", "1.2.3", "256.1.1.1", "10.0.0.1 "}) {
    EXPECT_EQ(CSockAddr(text, 1).IPAddr(), INADDR_NONE) << text;
  }
  EXPECT_EQ(CSockAddr(static_cast<const char*>(nullptr), 1).IPAddr(), INADDR_NONE);
}

TEST(SockAddr, CopiesAndConvertsToSockaddr) {
  const CSockAddr a("10.1.2.3", 4567);
  const sockaddr raw = a;
  CSockAddr b;
  b = raw;
  EXPECT_EQ(b, a);
  CSockAddr c(a);
  EXPECT_EQ(c.DottedDecimal(), "10.1.2.3");
  sockaddr* p = c;
  EXPECT_EQ(reinterpret_cast<sockaddr_in*>(p)->sin_port, htons(4567));
}

namespace {
int currentYear() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return t.tm_year + 1900;
}
}  // namespace

TEST(SocketException, TextCarriesFullYearStampAndCodeOnlyWhenSet) {
  struct Case {
    const char* operation;
    int code;
    const char* tail;
  };
  const Case cases[] = {
      {"Receive timeout", 0, "Receive timeout"},
      {"Connect", 111, "Connect cod=111"},
      {"GetHostByName", -2, "GetHostByName cod=-2"},
      {"Send data - timeout", 0, "Send data - timeout"},
  };
  const std::regex stamp(R"(^ERDLL:(\d{2})/(\d{2})/(\d{4}) \d{2}:\d{2}:\d{2} (.*)$)");
  for (const auto& c : cases) {
    std::string text;
    CBlockingSocketException(c.operation, c.code).GetTextError(text);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, stamp)) << text;
    EXPECT_EQ(m[4].str(), c.tail);
    const int year = std::stoi(m[3].str());
    EXPECT_TRUE(year == currentYear() || year == currentYear() + 1) << text;  // midnight on New Year's Eve
    EXPECT_LE(std::stoi(m[2].str()), 12);
  }
}

TEST(SocketException, RecordsErrnoAtConstruction) {
  errno = ECONNRESET;
  const CBlockingSocketException e("Receive");
  errno = 0;
  EXPECT_EQ(e.GetErrorCode(), ECONNRESET);
  EXPECT_EQ(e.GetOperation(), "Receive");
  EXPECT_STREQ(e.what(), "Receive");
}
