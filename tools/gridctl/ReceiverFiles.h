#pragma once
// gridctl's receiver-file operations: list, download into a folder, delete. Each returns the
// process exit status (0 success, 1 refused or incomplete) and writes only its result lines
// to standard output; progress and errors go to standard error.
#include <string>

class CReceiver;

namespace gridctl {

int ListFiles(CReceiver& rcv);
// The connection must have been opened with a system-message callback (the "WL" reports come
// through the message thread).
int DownloadFile(CReceiver& rcv, const std::string& name, const std::string& dir);
int DeleteFile(CReceiver& rcv, const std::string& name);

}  // namespace gridctl
