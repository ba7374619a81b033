// stelvan-decode: run one analysis over a recorded stream (a file or
// standard input) and print what was recognised.
#include <cstdio>
#include <cstring>
#include <string>

#include "DecodeRun.h"

namespace {

const char* kUsage =
    "usage: stelvan-decode [--stats] [--strict] [FILE | -]\n"
    "Decode a recorded receiver stream (ZRX, NMEA, RTCM 2, RTCM 3, CMR) from FILE or\n"
    "standard input.\n"
    "  (default)  one line per recognised message:\n"
    "             <byte offset> <format> <identifier> <length> <status codes or ->\n"
    "  --stats    one JSON object instead: {\"bytes\": N, \"unknown_bytes\": N,\n"
    "             \"messages\": {\"<FORMAT>:<ID>\": count, ...}}\n"
    "  --strict   keep the parsers' defaults (messages without a known length are refused)\n"
    "  --help     this text\n"
    "Exit status: 0 success, 1 the analysis did not finish in time, 2 usage or read error.\n";

}  // namespace

int main(int argc, char** argv) {
  bool stats = false, strict = false;
  std::string path;
  bool havePath = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--stats") {
      stats = true;
    } else if (a == "--strict") {
      strict = true;
    } else if (!havePath && (a == "-" || a.empty() || a[0] != '-')) {
      path = a;
      havePath = true;
    } else {
      std::fprintf(stderr, "stelvan-decode: unexpected argument '%s'\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  std::FILE* in = stdin;
  if (havePath && path != "-") {
    in = std::fopen(path.c_str(), "rb");
    if (!in) {
      std::fprintf(stderr, "stelvan-decode: cannot open '%s': %s\n", path.c_str(), std::strerror(errno));
      return 2;
    }
  }
  static char outbuf[1 << 16];
  std::setvbuf(stdout, outbuf, _IOFBF, sizeof outbuf);
  decodecli::RunOptions opt;
  opt.strict = strict;
  opt.lines = stats ? nullptr : stdout;
  const decodecli::RunResult r = decodecli::runDecode(in, opt);
  if (in != stdin) std::fclose(in);
  if (!r.ok) {
    std::fflush(stdout);
    std::fprintf(stderr, "stelvan-decode: read error: %s\n", r.error.c_str());
    return 2;
  }
  if (stats) std::printf("%s\n", decodecli::statsJson(r).c_str());
  std::fflush(stdout);
  if (!r.drained) {
    std::fprintf(stderr, "stelvan-decode: the analysis did not finish within its waits\n");
    return 1;
  }
  return 0;
}
