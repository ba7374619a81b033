#pragma once
// stelvan-ntrip's command line and exit codes.
#include <string>

#include "NtripClient.h"

namespace ntriptool {

enum Exit {
  kExitStopped = 0,       // stopped by a signal or after --seconds
  kExitUnauthorized = 1,  // the caster refused the user name or password
  kExitUsage = 2,         // a bad command line
  kExitUnknownMount = 3,  // the caster has no such mount point
  kExitDestination = 4,   // the destination could not be opened at the start
  kExitCaster = 5,        // the caster could not be reached (--attempts) or gave no source table
  kExitReceiver = 6,      // the receiver named by --gga-from or RCV: could not be opened
  kExitUntrusted = 7,     // the caster's TLS certificate was not trusted
};

struct Options {
  Ntrip::ClientSettings client;
  std::string to;       // destination
  std::string ggaFrom;  // receiver string whose position is uploaded
  bool sourceTable = false;
  int seconds = 0;         // stop after this long; 0: run until a signal
  int statusSeconds = 10;  // a status line on standard error this often
};

// 0: run; 1: --help; 2: usage error (error set).
int parse(int argc, char** argv, Options& o, std::string& error);
const char* usage();

}  // namespace ntriptool
