#pragma once
// File names of a logging run: a fixed name (mode 0), the receiver's date and time of the
// file's first epoch (mode 1) or the file's index (mode 2), in a directory, between a
// prefix and a suffix that carries the extension.
#include <string>

namespace Gnss {

struct NameTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class LogFileNamer {
 public:
  int mode = 1;
  std::string directory, prefix, suffix, fixedName;

  std::string name(const NameTime& t, int fileIndex) const;
  // "~" + the final name's base name + ".tmp", in the same directory.
  static std::string tempName(const std::string& finalName);
  // The computer's local time, for names when the receiver's is unknown.
  static NameTime localNow();
};

}  // namespace Gnss
