// ntrip-testcaster: the suite's caster as a program, for ./dev screenshot and
// trying the client by hand. Serves until its standard input ends.
//   ntrip-testcaster MOUNT USER PASSWORD STREAMFILE SOURCETABLEFILE
// prints "port N" once it listens on 127.0.0.1.
#include <poll.h>
#include <unistd.h>

#include <cstdio>

#include "ChildProcess.h"
#include "TestCaster.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: ntrip-testcaster MOUNT USER PASSWORD STREAMFILE SOURCETABLEFILE\n");
    return 2;
  }
  TestCaster::Options o;
  o.mount = argv[1];
  o.user = argv[2];
  o.password = argv[3];
  o.stream = readWhole(argv[4]);
  o.sourceTable = readWhole(argv[5]);
  o.repeatMs = 1000;
  TestCaster caster(o);
  if (o.stream.empty() || !caster.start()) return std::fprintf(stderr, "ntrip-testcaster: cannot start\n"), 1;
  std::printf("port %d\n", caster.port());
  std::fflush(stdout);
  char buf[256];
  while (::read(0, buf, sizeof buf) > 0) {
  }
  return 0;
}
