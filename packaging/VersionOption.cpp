// Linked into every program the package installs: a first argument "--version" is answered
// before main() runs, with the program's name and the package's version, so that each tool
// answers alike without knowing of it.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "stelvan_version.h"

namespace {

// The installed file's name, also when started through a link or by a relative path.
const char* programName(const char* argv0) {
  static char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  const char* name = argv0 ? argv0 : "";
  if (n > 0) {
    path[n] = '\0';
    name = path;
  }
  const char* slash = std::strrchr(name, '/');
  return slash ? slash + 1 : name;
}

// glibc calls the executable's initialisers with main()'s arguments.
void answerVersion(int argc, char** argv, char**) {
  if (argc < 2 || std::strcmp(argv[1], "--version") != 0) return;
  std::printf("%s %s\n", programName(argv[0]), STELVAN_VERSION_STRING);
  std::fflush(stdout);
  _exit(0);
}

}  // namespace

__attribute__((section(".init_array"), used)) void (*const stelvanVersionOption)(int, char**,
                                                                                 char**) = answerVersion;
