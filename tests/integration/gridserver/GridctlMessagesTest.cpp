// gridctl's message options against the server, as a user runs them.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "ServerFixture.h"

namespace servertest {
namespace {

struct CtlRun {
  int status = -1;
  std::string out;
};

CtlRun gridctl(const std::string& args) {
  CtlRun r;
  const std::string cmd = TestPaths::binDir() + "/gridctl " + args + " 2>/dev/null";
  FILE* f = popen(cmd.c_str(), "r");
  if (!f) return r;
  char buf[4096];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) r.out.append(buf, n);
  const int st = pclose(f);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(ServerTest, GridctlSendsListsFetchesAndDeletesMessages) {
  const std::string as = "--server " + server->address() + " --timeout 20000 ";
  const std::string alice = as + "--user alice --password pw-a ";
  const std::string bob = as + "--user bob --password pw-b ";

  EXPECT_EQ(gridctl(bob + "--users").out, "alice e\nbob e\ncarol e\n");
  EXPECT_EQ(gridctl(alice + "--send-message bob Short 'a few words'").status, 0);
  std::string big(3000, 'x');
  big[100] = '\0';
  const std::string bigPath = dir.str() + "/big.bin";
  std::ofstream(bigPath, std::ios::binary) << big;
  EXPECT_EQ(gridctl(alice + "--send-message bob Big --file " + bigPath).status, 0);

  const CtlRun list = gridctl(bob + "--messages");
  ASSERT_EQ(list.status, 0);
  std::istringstream lines(list.out);
  std::string line, names[2];
  for (int i = 0; i < 2 && std::getline(lines, line); ++i) {
    names[i] = line.substr(0, line.find('\t'));
    EXPECT_NE(line.find("\talice\t"), std::string::npos) << line;
  }
  ASSERT_FALSE(std::getline(lines, line)) << list.out;  // two, oldest first

  TempDir to;
  EXPECT_EQ(gridctl(bob + "--get-message " + names[0] + " --to " + to.str()).status, 0);
  EXPECT_EQ(fileText(to.str() + "/" + names[0]), "a few words");
  EXPECT_EQ(gridctl(bob + "--get-message " + names[1] + " --to " + to.str()).status, 0);
  EXPECT_TRUE(fileText(to.str() + "/" + names[1]) == big);

  EXPECT_EQ(gridctl(alice + "--delete-message " + names[0]).status, 1);  // not hers
  EXPECT_EQ(gridctl(bob + "--delete-message " + names[0]).status, 0);
  EXPECT_EQ(gridctl(bob + "--messages").out.find(names[0]), std::string::npos);
  EXPECT_EQ(gridctl("--users").status, 2);  // messages need a server
}

}  // namespace
}  // namespace servertest
