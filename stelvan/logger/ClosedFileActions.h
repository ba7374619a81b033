#pragma once
// What may happen to a log file once it is closed: a program of the user's started with
// the file's path as an argument (never through a shell, so names with blanks, quotes or
// "$" are safe), or the RINEX converter with its command line and header file.
#include <string>
#include <vector>

namespace Gnss {

// Runs `argv` (argv[0] a path or a name looked up in PATH) in `workDir` (empty: the
// current one) and waits for it. Returns its exit code, or -1 with `error` set when it
// could not be started or ended by a signal.
int RunProgram(const std::vector<std::string>& argv, const std::string& workDir, std::string& error);

struct Zrx2RinSettings {
  std::string program = "ZRX2RIN.EXE";
  std::string outputDir;
  bool noGps = false, noGlo = false, noL1 = false, noL2 = false;
  std::string options;
  // Header values by key: "RUN BY", "OBSERVER", "AGENCY", "ANT #", "ANT TYPE", "COMMENT",
  // "MARKER NAME", "MARKER NUMBER".
  std::vector<std::pair<std::string, std::string>> header;
  std::string receiverId, receiverType;
};

// The converter's arguments for one file; writes "profile.ini" into the output folder
// unless the options already name one with "-p".
std::vector<std::string> Zrx2RinCommand(const Zrx2RinSettings& s, const std::string& file, std::string& error);
// The status text for a converter exit code other than 0.
std::string Zrx2RinExitText(int code);

}  // namespace Gnss
