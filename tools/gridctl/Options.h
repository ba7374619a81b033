#pragma once
// gridctl's command line.
#include <string>
#include <vector>

namespace gridctl {

struct Options {
  std::string server;  // empty: the local server
  std::string user = "gridctl";
  std::string password;
  unsigned timeoutMs = 10000;
  std::string receiver;
  std::vector<std::string> commands;
  std::string scriptFile;
  bool list = false;
  bool attach = false;
  int attachKind = 0;
  std::string attachNames;
  unsigned count = 1;
  bool files = false;
  std::string download;  // receiver file to download into downloadDir
  std::string downloadDir;
  std::string remove;  // receiver file to delete
  bool help = false;
  std::string traceFile;  // the traffic log, empty for none
  // Server messages (a remote server only); at most one of these.
  bool users = false;
  bool messages = false;
  bool sendMessage = false;
  std::string msgUser, msgSubject, msgText, msgFile;
  std::string getMessage, toDir;
  std::string deleteMessage;
  // --cancel-after N: stop a file message's upload once N bytes are sent (-1: never).
  long cancelAfter = -1;
  // TLS to the server: on (else as its entry in the connection settings says), trusted roots,
  // a fingerprint trusted in advance.
  bool tls = false;
  std::string tlsCa, tlsFingerprint;

  bool messageMode() const {
    return users || messages || sendMessage || !getMessage.empty() || !deleteMessage.empty();
  }
};

// False with the reason in error for a command line that does not make sense.
bool parseOptions(int argc, char** argv, Options& out, std::string& error);
const char* helpText();

}  // namespace gridctl
