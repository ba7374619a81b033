#include "LogOptions.h"

#include <cstdlib>
#include <cstring>

namespace stelvanlog {

const char* usage() {
  return R"(usage: stelvan-log --port PATH --rate BAUD --dir DIR --period SECONDS --messages LIST
                   [--naming 0|1|2] [--seconds N] [--prefix TEXT] [--suffix TEXT] [--first N]
                   [--on-close PROG [--on-close-arg TEXT]]
Logs a receiver's stream to files that change at the period boundaries of the receiver's
own time, each beginning with a whole epoch; nothing received is lost or duplicated.
  --port PATH        the receiver's serial port (a pseudo-terminal works)
  --rate BAUD        its line speed
  --dir DIR          where the files go
  --period SECONDS   file length; boundaries lie on the minute, hour or day grid
  --messages LIST    messages to enable, "NAME:INTERVAL,..." or "def:INTERVAL"
  --naming 0|1|2     0 one fixed name (PREFIX+SUFFIX), 1 the receiver's date and time of
                     the file's first epoch (default), 2 the file index
  --seconds N        stop after N seconds of logging
  --prefix TEXT      name prefix (default "Site"); --suffix TEXT (default ".zrx")
  --first N          index of the first file (default 1)
  --on-close PROG    run PROG FILE [TEXT] after each file is closed and renamed, in order
  --on-close-arg TEXT   the TEXT given to PROG
Standard output: one "HH:MM:SS Log file started: NAME" and "HH:MM:SS Log file closed: PATH"
line per file. Stops on SIGTERM or SIGINT: sends "dm", closes the last file, exits 0.
Reconnects by itself when the receiver drops, and says so on standard error.
)";
}

namespace {
bool toInt(const char* v, int lo, int hi, int& out) {
  char* end = nullptr;
  const long n = std::strtol(v, &end, 10);
  if (!*v || *end || n < lo || n > hi) return false;
  out = static_cast<int>(n);
  return true;
}
}  // namespace

int parse(int argc, char** argv, Options& o, std::string& error) {
  o.namer.prefix = "Site";
  o.namer.suffix = ".zrx";
  std::string messages, dir;
  int naming = 1, period = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") return 1;
    if (i + 1 >= argc) return error = "missing value after " + a, 2;
    const char* v = argv[++i];
    bool ok = true;
    if (a == "--port") o.port = v;
    else if (a == "--rate") ok = toInt(v, 50, 4000000, o.rate);
    else if (a == "--dir") dir = v;
    else if (a == "--period") ok = toInt(v, 1, 100 * 86400, period);
    else if (a == "--messages") messages = v;
    else if (a == "--naming") ok = toInt(v, 0, 2, naming);
    else if (a == "--seconds") ok = toInt(v, 1, 1 << 30, o.seconds);
    else if (a == "--prefix") o.namer.prefix = v;
    else if (a == "--suffix") o.namer.suffix = v;
    else if (a == "--first") ok = toInt(v, 0, 1 << 30, o.log.firstIndex);
    else if (a == "--on-close") o.onClose = v;
    else if (a == "--on-close-arg") o.onCloseArg = v, o.hasOnCloseArg = true;
    else return error = "unknown option " + a, 2;
    if (!ok) return error = "bad value for " + a + ": " + v, 2;
  }
  if (o.port.empty() || dir.empty() || period < 0 || messages.empty())
    return error = "--port, --rate, --dir, --period and --messages are needed", 2;
  o.namer.directory = dir;
  o.namer.mode = naming;
  o.namer.fixedName = o.namer.prefix + o.namer.suffix;
  o.log.periodSec = period;
  o.log.useTempName = naming != 0;  // mode 0 appends to its one file
  o.log.overwrite = naming != 0;
  o.log.enableCommands = {"em,," + messages};
  // Files begin at an epoch's receiver time only when the stream carries it.
  o.log.waitForEpoch = messages.find("def") != std::string::npos || messages.find("RT") != std::string::npos;
  return 0;
}

}  // namespace stelvanlog
