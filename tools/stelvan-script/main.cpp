// stelvan-script: runs a script of the manual-mode language against a receiver, without a window.
// Standard output carries the replies-window lines; status texts go to standard error.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "CReceiverSender.h"
#include "CScriptInterpreter.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"

namespace {

constexpr int kOk = 0, kScriptFailed = 1, kUsage = 2;

const char* kHelp =
    "usage: stelvan-script [--server S --user U --password P] --receiver R FILE [ARG...]\n"
    "\n"
    "Runs FILE, a script of the manual-mode language, against receiver R (a receiver string\n"
    "such as COM/dev/ttyUSB0:115200:1), through the local server unless --server names a\n"
    "remote one. The ARGs become @1 to @9; \".zrx\" is added to a FILE without an extension and\n"
    "called scripts are looked up beside FILE.\n"
    "\n"
    "Standard output: the echoed commands, the replies, the @echo texts and the stop text.\n"
    "Standard error: status texts. Exit status: 0 when the script ran through, 1 when it ended\n"
    "on an error, a missing called script, the call depth limit or @exit, 2 for a usage error\n"
    "or a receiver that cannot be opened.\n";

struct Options {
  std::string server, user = "stelvan-script", password, receiver;
  std::vector<std::string> script;  // FILE ARG...
  bool help = false;
};

bool parse(int argc, char** argv, Options& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (!o.script.empty()) {
      o.script.push_back(a);
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--server" || a == "--user" || a == "--password" || a == "--receiver") {
      if (i + 1 >= argc) return error = a + " needs a value", false;
      std::string& target = a == "--server"     ? o.server
                            : a == "--user"     ? o.user
                            : a == "--password" ? o.password
                                                : o.receiver;
      target = argv[++i];
    } else if (a.rfind("--", 0) == 0) {
      return error = "unknown option " + a, false;
    } else {
      o.script.push_back(a);
    }
  }
  if (o.help) return true;
  if (o.receiver.empty()) return error = "--receiver is required", false;
  if (o.script.empty()) return error = "a script FILE is required", false;
  return true;
}

class ConsoleHost : public IScriptHost {
 public:
  void appendLine(const std::string& text) override {
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    // As the manual-mode window shows a line: control bytes and bytes from 127 up as ".".
    for (char& c : line)
      if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) >= 127) c = '.';
    std::cout << line << '\n';
  }
  void clearReplies() override {}
  void showStatus(const std::string& text) override {
    if (!text.empty()) std::cerr << text << '\n';
  }
};

int runScript(const Options& o) {
  CConnection conn;
  if (!conn.Open(o.server.c_str(), o.user.c_str(), o.password.c_str(), "stelvan-script")) {
    std::cerr << conn.GetReplyString() << '\n';
    return kUsage;
  }
  CReceiver* rcv = TSelfCreator<CReceiver>::Create();
  rcv->AddRef();
  int status = kUsage;
  if (!rcv->Open(&conn, o.receiver.c_str(), 0)) {
    std::cerr << rcv->GetReplyString() << '\n';
  } else {
    ConsoleHost host;
    CReceiverSender sender(rcv);
    CScriptInterpreter interp(sender, host);
    const std::filesystem::path file(o.script[0]);
    interp.setScriptDir(file.has_parent_path() ? file.parent_path().string() : std::string("."));
    std::string argument = file.filename().string();
    for (std::size_t i = 1; i < o.script.size(); ++i) argument += " " + o.script[i];
    status = interp.run(argument) ? kScriptFailed : kOk;
  }
  std::cout.flush();
  rcv->Close(false);
  rcv->Release();
  conn.Close();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string error;
  if (!parse(argc, argv, o, error)) {
    std::cerr << "stelvan-script: " << error << "\n\n" << kHelp;
    return kUsage;
  }
  if (o.help) {
    std::cout << kHelp;
    return kOk;
  }
  return runScript(o);
}
