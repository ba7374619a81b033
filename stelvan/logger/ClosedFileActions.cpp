#include "logger/ClosedFileActions.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace Gnss {

int RunProgram(const std::vector<std::string>& argv, const std::string& workDir, std::string& error) {
  if (argv.empty()) return error = "No program", -1;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 29))
  if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
#endif
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return error = std::strerror(rc), -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return error = std::strerror(errno), -1;
  if (!WIFEXITED(status)) return error = "Terminated by a signal", -1;
  return WEXITSTATUS(status);
}

std::vector<std::string> Zrx2RinCommand(const Zrx2RinSettings& s, const std::string& file, std::string& error) {
  std::vector<std::string> argv = {s.program, "-i", file, "-o", s.outputDir};
  if (s.noGps) argv.push_back("-G");
  if (s.noGlo) argv.push_back("-R");
  if (s.noL1) argv.push_back("-L1");
  if (s.noL2) argv.push_back("-L2");
  if (s.options.find("-p") == std::string::npos) {
    const std::string header = (s.outputDir.empty() ? std::string(".") : s.outputDir) + "/profile.ini";
    std::ofstream out(header, std::ios::trunc);
    out << "[ZRX2RIN]\n";
    auto value = [&](const char* key) {
      for (const auto& [k, v] : s.header)
        if (k == key) return v;
      return std::string();
    };
    for (const char* key : {"RUN BY", "OBSERVER", "AGENCY", "ANT #", "ANT TYPE", "COMMENT", "MARKER NAME",
                            "MARKER NUMBER"})
      out << key << "= " << value(key) << "\n";
    out << "REC #= " << s.receiverId << "\n"
        << "REC TYPE= " << s.receiverType << "\n"
        << "ANT DELTA H= 0\nANT DELTA E= 0\nANT DELTA N= 0\n";
    if (!out) error = "Can't write " + header;
    argv.push_back("-p");
    argv.push_back(header);
  }
  std::istringstream words(s.options);
  for (std::string w; words >> w;) argv.push_back(w);
  return argv;
}

std::string Zrx2RinExitText(int code) {
  static const char* texts[] = {"Error opening/reading file",
                                "Not a ZRX file format",
                                "Inconsistent or corrupt data in ZRX file",
                                "Conversion aborted by user",
                                "Internal error",
                                "File already loaded",
                                "Loading in progress",
                                "DLL does not contain LoadFile function",
                                "File queued",
                                "Bad time",
                                "File name length exceeds allowed value",
                                "Error opening output file"};
  std::string text = "ZRX to RINEX : Terminated with error code " + std::to_string(code) + " ";
  if (code >= 1 && code <= 12) text += std::string("(") + texts[code - 1] + ")";
  if (code == -1) text += "(Invalid command line?)";
  return text;
}

}  // namespace Gnss
