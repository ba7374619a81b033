#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "TempDir.h"
#include "TestPaths.h"
#include "gridlink/CProfile.h"

namespace {
const char* kKey = "Software\\Norhaven GNSS\\Fieldmesh\\GridnetUI";

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST(CProfile, KeyNamesMapOntoIniFiles) {
  ScopedConfigHome home;
  CProfile profile(kKey);
  EXPECT_EQ(profile.storePath(), home.dir().str() + "/Norhaven GNSS/Fieldmesh/GridnetUI.ini");
  CProfile byProgram;
  EXPECT_EQ(byProgram.keyName().rfind("Software\\Norhaven GNSS\\Fieldmesh\\", 0), 0u);
  EXPECT_EQ(byProgram.keyName().substr(byProgram.keyName().rfind('\\') + 1), "test_settings");
}

TEST(CProfile, OneObjectReadFromSeveralThreadsGivesEachItsOwnText) {
  ScopedConfigHome home;
  CProfile shared(kKey);
  shared.Write("LServer", "LastCOM", "COM/dev/ttyUSB0:115200:1,");
  shared.Write("LServer", "LastTCP", "TCP192.168.1.5:8002,");
  int wrong[2] = {0, 0};
  auto reader = [&](int i, const char* name, const std::string& expected) {
    for (int round = 0; round < 300; ++round) {
      const char* text = shared.Read("LServer", name, "");
      std::this_thread::yield();  // the other thread reads meanwhile
      if (expected != text) ++wrong[i];
    }
  };
  std::thread com(reader, 0, "LastCOM", "COM/dev/ttyUSB0:115200:1,");
  std::thread tcp(reader, 1, "LastTCP", "TCP192.168.1.5:8002,");
  com.join();
  tcp.join();
  EXPECT_EQ(wrong[0], 0);
  EXPECT_EQ(wrong[1], 0);
}

TEST(CProfile, TypedValuesRoundTrip) {
  ScopedConfigHome home;
  CProfile p(kKey);
  p.Write("Servers", "Name", "LServer");
  p.Write("Servers", "Count", 42);
  p.Write("Servers", "Negative", -7);
  p.Write("Servers", "Manual", true);
  p.Write("Servers", "Off", false);
  p.Write("Servers", "Scale", 0.1);
  p.Write("", "TopLevel", "general");
  EXPECT_STREQ(p.Read("Servers", "Name", "x"), "LServer");
  EXPECT_EQ(p.Read("Servers", "Count", 0), 42);
  EXPECT_EQ(p.Read("Servers", "Negative", 0), -7);
  EXPECT_TRUE(p.Read("Servers", "Manual", false));
  EXPECT_FALSE(p.Read("Servers", "Off", true));
  EXPECT_DOUBLE_EQ(p.Read("Servers", "Scale", 9.0), 0.1);
  EXPECT_STREQ(p.Read("", "TopLevel", "x"), "general");
  EXPECT_STREQ(p.Read("Servers", "Scale", ""), "0.100000000000000");
}

TEST(CProfile, MissingValuesAndUnreadableTextsGiveTheDefault) {
  ScopedConfigHome home;
  CProfile p(kKey);
  const char* def = "fallback";
  EXPECT_EQ(p.Read("Nowhere", "Nothing", def), def);  // the default pointer itself
  EXPECT_EQ(p.Read("Nowhere", "Nothing", 5), 5);
  EXPECT_TRUE(p.Read("Nowhere", "Nothing", true));
  EXPECT_DOUBLE_EQ(p.Read("Nowhere", "Nothing", 2.5), 2.5);
  p.Write("S", "Yes", "yes");
  EXPECT_FALSE(p.Read("S", "Yes", true));  // only "1" is true
  p.Write("S", "Abc", "abc");
  EXPECT_DOUBLE_EQ(p.Read("S", "Abc", 3.5), 3.5);
  EXPECT_EQ(p.Read("S", "Abc", 11), 11);
}

TEST(CProfile, TextsKeepCommasQuotesAndAreCappedAt8191) {
  ScopedConfigHome home;
  CProfile p(kKey);
  p.Write("S", "List", "COM/dev/ttyUSB0:115200:1,TCP127.0.0.1:8002,");
  EXPECT_STREQ(p.Read("S", "List", ""), "COM/dev/ttyUSB0:115200:1,TCP127.0.0.1:8002,");
  p.Write("S", "Quoted", "a \"b\" \\c; #d =e");
  EXPECT_STREQ(p.Read("S", "Quoted", ""), "a \"b\" \\c; #d =e");
  const std::string big(9000, 'k');
  p.Write("S", "Big", big.c_str());
  EXPECT_EQ(std::string(p.Read("S", "Big", "")).size(), 8191u);
}

TEST(CProfile, InstancesAreDistinctAndFilesPrivate) {
  ScopedConfigHome home;
  CProfile* a = CProfile::Instance(kKey);
  CProfile* b = CProfile::Instance(kKey);
  EXPECT_NE(a, b);
  a->Write("Auth", "Password", "secret");
  EXPECT_STREQ(b->Read("Auth", "Password", ""), "secret");
  struct stat st {};
  ASSERT_EQ(stat(a->storePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  a->Release();
  b->Release();
}

TEST(CProfile, PersistsAcrossProcesses) {
  ScopedConfigHome home;
  const std::string writer = TestPaths::binDir() + "/profile_writer";
  const std::string key = "\"Software\\\\Norhaven GNSS\\\\Fieldmesh\\\\probe\"";
  ASSERT_EQ(std::system((writer + " write " + key).c_str()), 0);
  FILE* pipe = popen((writer + " read " + key).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[256] = {};
  ASSERT_NE(fgets(line, sizeof line, pipe), nullptr);
  pclose(pipe);
  EXPECT_STREQ(line, "LServer 8000 1 0.25\n");
  CProfile here("Software\\Norhaven GNSS\\Fieldmesh\\probe");
  EXPECT_EQ(here.Read("Connection", "Port", 0), 8000);
  EXPECT_NE(slurp(here.storePath()).find("[Connection]"), std::string::npos);
}

TEST(CProfile, UnwritableStoreIsSilent) {
  ScopedConfigHome home;
  setenv("XDG_CONFIG_HOME", "/proc/definitely-not-writable", 1);
  CProfile p(kKey);
  p.Write("S", "N", 3);
  EXPECT_EQ(p.Read("S", "N", 9), 9);
  EXPECT_EQ(p.OpenKey("S"), nullptr);
}
