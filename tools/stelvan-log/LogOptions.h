#pragma once
// stelvan-log's options: one table gives the command line, the configuration file (the same
// names as "key = value" lines) and the usage text, so an option is one row of it.
#include <string>
#include <vector>

#include "logger/GnssLogSession.h"

namespace stelvanlog {

struct Options {
  std::string connection;  // the receiver model's connection string
  Gnss::LogFileNamer namer;
  Gnss::LogOptions log;
  int seconds = 0;
  std::string onClose, onCloseArg;
  bool hasOnCloseArg = false;
  double epochSec = 1;     // the shortest message period asked for
  double silenceSec = 0;   // a line this long without a byte counts as cut
  int maxBackoffSec = 60;  // the longest wait between reconnection attempts
};

// 0: run; 1: --help; 2: a usage or set-up error (error set).
int parse(int argc, char** argv, Options& o, std::string& error);
std::string usage();

// A message list "ITEM,ITEM,...", each item [FORMAT/]NAME[:PERIOD] (FORMAT zrx, nmea, cmr,
// rtcm or rtcm3; a bare name is ZRX; "def" is the receiver's default ZRX set).
struct MessageList {
  std::string text;           // as the "em" command takes it
  bool receiverTime = false;  // the ZRX time message ("RT") is among them
  bool nmeaTime = false;      // an NMEA sentence with the time of day is among them
  bool rtcm3Time = false;     // an RTCM 3 MSM (1071-1137) is among them
  double shortestPeriod = 0;  // seconds; 0 when no item gives one
};
bool parseMessages(const std::string& list, MessageList& out, std::string& error);
// A receiver string as gridctl takes it (COM..., TCP:..., WIFI:..., USB:..., GSM...) as the receiver
// model's connection string.
bool connectionFromReceiver(const std::string& receiver, std::string& out, std::string& error);

}  // namespace stelvanlog
