#pragma once
// Everything that shapes one simulated receiver: identity, site, line speed,
// fronts, files, timing and the faults switched on at start.
#include <cstdint>
#include <string>
#include <vector>

namespace rcvsim {

struct Options {
  // Fronts.
  bool pty = false;
  std::string tcp;          // "host:port", empty for none; port 0 picks a free one
  bool wifi = false;        // TCP without the login prompt
  std::string password;     // TCP login password; empty accepts any
  int loginPieces = 1;      // the login prompt is sent in this many pieces ...
  int loginGapMs = 300;     // ... this far apart
  bool modem = false;       // AT-command modem before the receiver on the pty
  std::string modemPin;     // PIN the modem wants with "at+cpin="; empty: none
  std::string modemRefuse;  // answer to "atd" instead of CONNECT ("NO CARRIER", "BUSY")
  int modemDialMs = 100;    // time the modem takes to connect
  bool portB = false;       // port B (corrections in) on a second pseudo-terminal
  std::string portBTcp;     // port B on a TCP port "host:port"; empty for none

  // Line.
  int rate = 115200;  // current (and default) rate of the receiver's serial port
  bool pace = false;  // send no faster than the emulated rate allows

  // Receiver.
  std::string model = "NH-RCV-100";
  std::string firmware = "3.7 Jun,02,2026";
  std::string rcvid = "SIM0A1B2C3D4";
  std::string serial = "00A1B2";
  double lat = 47.3769;  // site, degrees
  double lon = 8.5417;
  double height = 430.0;         // metres above the ellipsoid
  std::int64_t startUtcMs = -1;  // receiver time at start, ms since 1970; -1: the system clock
  std::uint64_t seed = 1;
  int rebootMs = 1500;      // silence after reset, NVRAM clear or a firmware load
  int timeScale = 1;        // receiver time runs this many times faster than real time
  int maxReplyBody = 1024;  // longer replies are split into pieces of at most this
  std::int64_t diskSize = 64ll * 1024 * 1024;

  // Files.
  std::string filesDir;  // serve this folder; empty: a built-in set in a temporary folder

  // Debugging.
  std::string traceFile;

  // Faults active from the start (also switchable at run time through Faults).
  double noise = 0, corrupt = 0, drop = 0;
  int replyDelayMs = 0;
  bool noReplies = false;
  int badCrcBlock = -1;
  int badCrcTimes = 1;
  int errorBlock = -1;
  long cutAfterBytes = -1;
  bool stopStreaming = false;

  // Sky.
  bool allSystems = false;  // BeiDou and QZSS besides GPS, GLONASS, Galileo and SBAS
};

// Parses the command line; on failure returns false with the reason in `error`.
// `help` is set when --help was asked for.
bool parseOptions(const std::vector<std::string>& args, Options& out, bool& help, std::string& error);
const char* helpText();

}  // namespace rcvsim
