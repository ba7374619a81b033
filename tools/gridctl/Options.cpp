#include "Options.h"

#include <cstdlib>

namespace gridctl {
namespace {

// Digits only: strtoul alone would take "-5" as a huge number.
bool number(const std::string& s, unsigned long& out) {
  if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos || s.size() > 9) return false;
  out = std::strtoul(s.c_str(), nullptr, 10);
  return true;
}

}  // namespace

const char* helpText() {
  return "Usage:\n"
         "  gridctl [--server S] [--user U] [--password P] [--timeout MS] --receiver R COMMAND...\n"
         "  gridctl [...] --receiver R --script FILE\n"
         "  gridctl [...] --receiver R --attach KIND NAMES [--count N]\n"
         "  gridctl [...] --receiver R --files | --download NAME --to DIR | --delete NAME\n"
         "  gridctl [--server S] --list\n"
         "  gridctl --server S --user U --password P --users | --messages\n"
         "  gridctl --server S ... --send-message USER SUBJECT (TEXT | --file F)\n"
         "  gridctl --server S ... --get-message NAME --to DIR | --delete-message NAME\n"
         "\n"
         "Opens a connection (the local server unless --server names a remote one, host[:port]),\n"
         "opens the receiver R and:\n"
         "  COMMAND...       sends each command and prints each reply on its own line;\n"
         "  --script FILE    sends the file as one \"@scr\" script and prints its report;\n"
         "  --attach K N     attaches messages N (names with optional \":period\" in seconds,\n"
         "                   comma-separated, e.g. PV:1,DP) of stream kind K (0 ZRX, 1 CMR,\n"
         "                   2 NMEA, 3 RTCM) and prints each message as \"id length hex\" until\n"
         "                   --count N (default 1) have arrived or the time-out passes;\n"
         "  --list           prints the receivers the server offers, one per line;\n"
         "  --files          prints the receiver's log files as \"NAME SIZE\" lines;\n"
         "  --download NAME --to DIR\n"
         "                   downloads the receiver file NAME into DIR/NAME, resuming after\n"
         "                   the bytes already there (progress on stderr); exit 0 only when\n"
         "                   the file is complete;\n"
         "  --delete NAME    deletes the receiver file NAME;\n"
         "  --users          prints the server's users, one \"name state\" per line;\n"
         "  --messages       prints your messages: name, size, sender, subject, date;\n"
         "  --send-message   leaves USER a message: SUBJECT (one word) and TEXT, or a file;\n"
         "  --get-message    writes message NAME to DIR/NAME (its text, or the file sent);\n"
         "  --delete-message deletes message NAME from the server.\n"
         "  --tls            talks TLS to the server; a certificate no authority vouches for\n"
         "                   shows its SHA-256 fingerprint and is trusted when \"yes\" is read\n"
         "                   on standard input, then remembered; a changed one is refused;\n"
         "  --tls-ca FILE    trusts the certificates in FILE instead of the system's (--tls);\n"
         "  --tls-fingerprint HEX\n"
         "                   trusts the server certificate with this SHA-256 fingerprint (--tls);\n"
         "  --cancel-after N stops the upload of --send-message --file after N bytes (the\n"
         "                   server drops what it got; exit status 1).\n"
         "  --timeout MS     how long to wait for attached data (default 10000); a remote\n"
         "                   server's replies get the same time, rounded up to seconds.\n"
         "  --trace FILE     records every request sent and every reply and message received\n"
         "                   in FILE (ms time stamps, binary as hex; FILE.1 holds the older part).\n"
         "\n"
         "Receivers: COM/dev/ttyUSB0:115200:1 (serial port, rate, 1 for RTS/CTS),\n"
         "TCP:host:port:password (network port with login), WIFI:host:port:password (no login),\n"
         "GSM/dev/ttyUSB1:number:PIN[:RATE] (behind a GSM modem; PIN 0 for none, RATE the modem's\n"
         "line speed, 115200 by default), USB:1-2 (a USB\n"
         "receiver by the name --list shows).\n"
         "\n"
         "Exit status: 0 when every reply begins with \"RE\" (and every attached message came),\n"
         "1 when one does not, 2 for usage or connection failures (the reply text on stderr).\n";
}

bool parseOptions(int argc, char** argv, Options& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        error = a + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    std::string v;
    unsigned long n = 0;
    if (a == "--help" || a == "-h") {
      o.help = true;
      return true;
    } else if (a == "--server") {
      if (!value(o.server)) return false;
    } else if (a == "--user") {
      if (!value(o.user)) return false;
    } else if (a == "--password") {
      if (!value(o.password)) return false;
    } else if (a == "--receiver") {
      if (!value(o.receiver)) return false;
    } else if (a == "--trace") {
      if (!value(o.traceFile)) return false;
    } else if (a == "--script") {
      if (!value(o.scriptFile)) return false;
    } else if (a == "--timeout" || a == "--count") {
      if (!value(v) || !number(v, n)) {
        if (error.empty()) error = a + " needs a number of 0 or more (got \"" + v + "\")";
        return false;
      }
      (a == "--timeout" ? o.timeoutMs : o.count) = static_cast<unsigned>(n);
    } else if (a == "--files") {
      o.files = true;
    } else if (a == "--download") {
      if (!value(o.download)) return false;
    } else if (a == "--to") {
      // The folder of --download and of --get-message alike.
      if (!value(o.downloadDir)) return false;
      o.toDir = o.downloadDir;
    } else if (a == "--delete") {
      if (!value(o.remove)) return false;
    } else if (a == "--list") {
      o.list = true;
    } else if (a == "--attach") {
      if (!value(v) || !number(v, n) || n > 3 || !value(o.attachNames)) {
        if (error.empty()) error = "--attach needs a stream kind 0..3 and message names";
        return false;
      }
      o.attach = true;
      o.attachKind = static_cast<int>(n);
    } else if (a == "--users") {
      o.users = true;
    } else if (a == "--messages") {
      o.messages = true;
    } else if (a == "--send-message") {
      if (!value(o.msgUser) || !value(o.msgSubject)) return false;
      if (i + 1 < argc && std::string(argv[i + 1]) == "--file") {
        ++i;
        if (!value(o.msgFile)) return false;
      } else if (!value(o.msgText)) {
        return false;
      }
      o.sendMessage = true;
    } else if (a == "--get-message") {
      if (!value(o.getMessage)) return false;
    } else if (a == "--delete-message") {
      if (!value(o.deleteMessage)) return false;
    } else if (a == "--tls") {
      o.tls = true;
    } else if (a == "--tls-ca" || a == "--tls-fingerprint") {
      if (!value(a == "--tls-ca" ? o.tlsCa : o.tlsFingerprint)) return false;
      o.tls = true;
    } else if (a == "--cancel-after") {
      if (!value(v) || !number(v, n) || n >= 0xFFFFFFFEul) {
        if (error.empty()) error = "--cancel-after needs a byte count";
        return false;
      }
      o.cancelAfter = static_cast<long>(n);
    } else if (a.rfind("--", 0) == 0) {
      error = "unknown option " + a;
      return false;
    } else {
      o.commands.push_back(a);
    }
  }
  if (o.messageMode()) {
    const int n = o.users + o.messages + o.sendMessage + !o.getMessage.empty() + !o.deleteMessage.empty();
    if (n != 1 || o.list || !o.receiver.empty() || !o.commands.empty()) {
      error = "give one of --users, --messages, --send-message, --get-message, --delete-message alone";
      return false;
    }
    if (o.server.empty()) {
      error = "messages live on a remote server: give --server";
      return false;
    }
    if (!o.getMessage.empty() && o.toDir.empty()) {
      error = "--get-message needs --to DIR";
      return false;
    }
    return true;
  }
  if (o.list) return true;
  if (o.receiver.empty()) {
    error = "--receiver is missing";
    return false;
  }
  if (!o.download.empty() && o.downloadDir.empty()) {
    error = "--download needs --to DIR";
    return false;
  }
  const int modes = (!o.commands.empty()) + (!o.scriptFile.empty()) + (o.attach ? 1 : 0) + (o.files ? 1 : 0) +
                    (!o.download.empty()) + (!o.remove.empty());
  if (modes != 1) {
    error = "give commands, --script, --attach, --files, --download or --delete (one of them)";
    return false;
  }
  return true;
}

}  // namespace gridctl
