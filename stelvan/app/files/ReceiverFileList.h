#pragma once
// The receiver's log files as its file-list reply gives them, and how they are shown.
// Plain values; no widgets.
#include <cstdint>
#include <string>
#include <vector>

namespace Files {

struct ReceiverFile {
  std::string name;
  std::string size;       // as the receiver gives it
  std::int64_t time = 0;  // seconds since 1988-01-01 00:00:00
};

// The command whose reply ParseFileList reads.
constexpr const char* kFileListCommand = "print,/log/&[name,size,time]";

// Entries of a reply "RE...{{name,size,time},{...}}" (with or without the "RE" and length).
std::vector<ReceiverFile> ParseFileList(const std::string& reply);
// "dd.mm.yyyy" and "hh:mm:ss" of a receiver file time, without conversion to local time.
std::string FileDate(std::int64_t time);
std::string FileTime(std::int64_t time);
// The name the file gets on the computer.
inline std::string LocalName(const std::string& receiverName) {
  return receiverName + ".zrx";
}

}  // namespace Files
