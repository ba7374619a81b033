#include <cstdio>
#include <cstring>

#include "stelvan_version.h"

// The user interface arrives with a later change; until then the program
// only reports its version.
int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "--help") == 0)) {
    std::printf("stelvan %s\n", STELVAN_VERSION_STRING);
    return 0;
  }
  std::printf("stelvan %s: the user interface is not built yet.\n", STELVAN_VERSION_STRING);
  return 0;
}
