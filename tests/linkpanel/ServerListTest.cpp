// The stored server list: reading stops at the first short value, the local server is always
// written with its fixed login, and the exported look-ups read what the store holds.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "gridlink/CProfile.h"
#include "linkpanel/Linkpanel.h"
#include "list/ServerList.h"
#include "session/TlsTrust.h"

using namespace Kestrel;

namespace {

class ServerListTest : public ::testing::Test {
 protected:
  ScopedConfigHome config;
  CProfile settings{kDialogSettingsKey};
};

TEST_F(ServerListTest, ReadingStopsAtTheFirstValueWithFewerThanTwoWords) {
  settings.Write("", "Server0", "base.example.net surveyor s3cret");
  settings.Write("", "Server1", "10.1.2.3 field");  // no password
  settings.Write("", "Server2", "lonely");
  settings.Write("", "Server3", "after.example.net u p");
  const std::vector<ServerEntry> entries = ReadServerList(settings);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], (ServerEntry{"base.example.net", "surveyor", "s3cret"}));
  EXPECT_EQ(entries[1], (ServerEntry{"10.1.2.3", "field", ""}));

  std::vector<std::string> servers{"stale"};
  GetAllServers(servers);
  EXPECT_EQ(servers, (std::vector<std::string>{"base.example.net", "10.1.2.3"}));
}

TEST_F(ServerListTest, EntriesRoundTripWithTheLocalServersFixedLogin) {
  WriteServerList(settings,
                  {{"LServer", "*", "*"}, {"rtk.example.org", "ann", "pw"}, {"10.0.0.9", "bob", ""}});
  EXPECT_STREQ(settings.Read("", "Server0", ""), "LServer Kelmo  Kelmo");
  EXPECT_EQ(ReadServerList(settings),
            (std::vector<ServerEntry>{
                {"LServer", "Kelmo", "Kelmo"}, {"rtk.example.org", "ann", "pw"}, {"10.0.0.9", "bob", ""}}));

  std::string user, password;
  ASSERT_TRUE(GetServerInfo("LServer", user, password));
  EXPECT_EQ(user, "Kelmo");
  EXPECT_EQ(password, "Kelmo");
  ASSERT_TRUE(GetServerInfo("rtk.example.org", user, password));
  EXPECT_EQ(user, "ann");
  EXPECT_EQ(password, "pw");
  EXPECT_FALSE(GetServerInfo("RTK.example.org", user, password));
}

TEST_F(ServerListTest, AShorterListDoesNotBringBackDeletedEntries) {
  WriteServerList(settings, {{"a.example", "u", "p"}, {"b.example", "u", "p"}, {"c.example", "u", "p"}});
  WriteServerList(settings, {{"a.example", "u", "p"}});
  std::vector<std::string> servers;
  GetAllServers(servers);
  EXPECT_EQ(servers, (std::vector<std::string>{"a.example"}));
}

TEST_F(ServerListTest, LastServerIsEmptyUntilWritten) {
  EXPECT_EQ(GetLastServer(), "");
  WriteLastServer(settings, "rtk.example.org");
  EXPECT_EQ(GetLastServer(), "rtk.example.org");
}

TEST_F(ServerListTest, AnEntrysTlsIsStoredWhereTheConnectionLooksForIt) {
  WriteServerList(settings, {{"tls.example.org:8000", "ann", "pw", true}, {"plain.example.org", "bob", ""}});
  const std::vector<ServerEntry> entries = ReadServerList(settings);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_TRUE(entries[0].tls);
  EXPECT_FALSE(entries[1].tls);
  const ServerLink::TlsSettings unset;
  EXPECT_TRUE(ServerLink::TlsWanted(unset, "tls.example.org:8000"));
  EXPECT_FALSE(ServerLink::TlsWanted(unset, "plain.example.org"));
}

}  // namespace
