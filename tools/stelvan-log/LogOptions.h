#pragma once
// stelvan-log's command line.
#include <string>

#include "logger/GnssLogSession.h"

namespace stelvanlog {

struct Options {
  std::string port;
  int rate = 115200;
  Gnss::LogFileNamer namer;
  Gnss::LogOptions log;
  int seconds = 0;
  std::string onClose, onCloseArg;
  bool hasOnCloseArg = false;
};

// 0: run; 1: --help; 2: a usage error (error set).
int parse(int argc, char** argv, Options& o, std::string& error);
const char* usage();

}  // namespace stelvanlog
