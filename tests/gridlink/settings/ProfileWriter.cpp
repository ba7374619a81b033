// Writes or reads settings in a separate process: profile_writer write|read KEY
#include <cstdio>
#include <cstring>

#include "gridlink/CProfile.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  CProfile profile(argv[2]);
  if (std::strcmp(argv[1], "write") == 0) {
    profile.Write("Connection", "Server", "LServer");
    profile.Write("Connection", "Port", 8000);
    profile.Write("Connection", "Manual", true);
    profile.Write("Plot", "Scale", 0.25);
    return 0;
  }
  std::printf("%s %d %d %.2f\n", profile.Read("Connection", "Server", "none"), profile.Read("Connection", "Port", -1),
              profile.Read("Connection", "Manual", false) ? 1 : 0, profile.Read("Plot", "Scale", -1.0));
  return 0;
}
