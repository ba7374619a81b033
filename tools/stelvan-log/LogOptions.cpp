#include "LogOptions.h"

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "gridlink/ModemDialer.h"
#include "ports/UsbBackend.h"

namespace stelvanlog {

namespace {

// What the options say before they are checked together.
struct Raw {
  std::string port, receiver, dir, messages;
  int rate = 115200, naming = 1, period = -1;
  bool configRead = false;
};

bool toInt(const std::string& v, int lo, int hi, int& out) {
  char* end = nullptr;
  const long n = std::strtol(v.c_str(), &end, 10);
  if (v.empty() || *end || n < lo || n > hi) return false;
  out = static_cast<int>(n);
  return true;
}
bool toSeconds(const std::string& v, double& out) {
  char* end = nullptr;
  const double d = std::strtod(v.c_str(), &end);
  if (v.empty() || *end || !(d > 0) || d > 86400 * 100) return false;
  out = d;
  return true;
}

using Setter = std::function<bool(Options&, Raw&, const std::string&)>;
struct Spec {
  const char* name;  // the option without "--", and the configuration key
  const char* value;
  const char* help;
  Setter set;
};

const std::vector<Spec>& table() {
  static const std::vector<Spec> specs = {
      {"receiver", "STRING",
       "the receiver as gridctl names it (instead of --port and --rate):\n"
       "COM/dev/ttyUSB0:115200:1, TCP:host:port:password, WIFI:host:port, USB:1-2\n"
       "(the USB port path gridctl --list shows), GSM/dev/ttyUSB1:NUMBER:PIN[:SPEED]\n"
       "(a modem dialled at each connection and hung up after; PIN 0 for none)",
       [](Options&, Raw& r, const std::string& v) { return r.receiver = v, true; }},
      {"port", "PATH",
       "the receiver's serial port; a stable link such as /dev/serial/by-id/...\n"
       "is opened afresh on each reconnection",
       [](Options&, Raw& r, const std::string& v) { return r.port = v, true; }},
      {"rate", "BAUD", "its line speed (default 115200)",
       [](Options&, Raw& r, const std::string& v) { return toInt(v, 50, 4000000, r.rate); }},
      {"dir", "DIR", "the folder of the files; it must exist",
       [](Options&, Raw& r, const std::string& v) { return r.dir = v, true; }},
      {"period", "SECONDS", "file length; boundaries lie on the minute, hour or day grid",
       [](Options&, Raw& r, const std::string& v) { return toInt(v, 1, 100 * 86400, r.period); }},
      {"messages", "LIST",
       "messages to enable: [FORMAT/]NAME:PERIOD,... with FORMAT zrx (the\n"
       "default), nmea, cmr, rtcm or rtcm3: def:1, nmea/GGA:1.00,nmea/RMC:1.00",
       [](Options&, Raw& r, const std::string& v) { return r.messages = v, true; }},
      {"naming", "0|1|2",
       "0 one fixed name (PREFIX+SUFFIX), 1 the receiver's date and time of\n"
       "the file's first epoch (default), 2 the file index, going on after\n"
       "the highest present",
       [](Options&, Raw& r, const std::string& v) { return toInt(v, 0, 2, r.naming); }},
      {"prefix", "TEXT", "name prefix (default \"Site\")",
       [](Options& o, Raw&, const std::string& v) { return o.namer.prefix = v, true; }},
      {"suffix", "TEXT", "name suffix with the extension (default \".zrx\")",
       [](Options& o, Raw&, const std::string& v) { return o.namer.suffix = v, true; }},
      {"first", "N", "index of the first file (default 1)",
       [](Options& o, Raw&, const std::string& v) { return toInt(v, 0, 1 << 30, o.log.firstIndex); }},
      {"seconds", "N", "stop after N seconds (default: run until stopped)",
       [](Options& o, Raw&, const std::string& v) { return toInt(v, 1, 1 << 30, o.seconds); }},
      {"on-close", "PROG", "run PROG FILE [TEXT] after each file is closed and renamed, in order",
       [](Options& o, Raw&, const std::string& v) { return o.onClose = v, true; }},
      {"on-close-arg", "TEXT", "the TEXT given to PROG",
       [](Options& o, Raw&, const std::string& v) { return o.onCloseArg = v, o.hasOnCloseArg = true, true; }},
      {"silence", "SECONDS",
       "a line this long without a byte counts as cut (default: three\n"
       "times the shortest message period, at least 3 s)",
       [](Options& o, Raw&, const std::string& v) { return toSeconds(v, o.silenceSec); }},
      {"max-backoff", "SECONDS", "the longest wait between reconnection attempts (default 60)",
       [](Options& o, Raw&, const std::string& v) { return toInt(v, 1, 3600, o.maxBackoffSec); }},
      {"config", "FILE",
       "read options from FILE: one \"key = value\" a line, the keys being\n"
       "these options' names without \"--\"; \"#\" begins a comment; later\n"
       "options win",
       nullptr},
  };
  return specs;
}

const Spec* find(const std::string& name) {
  for (const Spec& s : table())
    if (name == s.name) return &s;
  return nullptr;
}

std::string trim(const std::string& s) {
  const std::size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

bool apply(const std::string& name, const std::string& value, Options& o, Raw& r, std::string& error);

bool readConfig(const std::string& file, Options& o, Raw& r, std::string& error) {
  if (r.configRead) return error = "only one --config is taken", false;
  r.configRead = true;
  std::ifstream in(file);
  if (!in) return error = "cannot read the configuration file " + file, false;
  int lineNo = 0;
  for (std::string line; std::getline(in, line);) {
    ++lineNo;
    const std::string t = trim(line);
    if (t.empty() || t[0] == '#') continue;
    const std::size_t eq = t.find('=');
    const std::string where = file + ":" + std::to_string(lineNo) + ": ";
    if (eq == std::string::npos) return error = where + "not a \"key = value\" line", false;
    const std::string key = trim(t.substr(0, eq)), value = trim(t.substr(eq + 1));
    if (key == "config") return error = where + "a configuration file cannot name another", false;
    if (!apply(key, value, o, r, error)) return error = where + error, false;
  }
  return true;
}

bool apply(const std::string& name, const std::string& value, Options& o, Raw& r, std::string& error) {
  const Spec* s = find(name);
  if (!s) return error = "unknown option " + name, false;
  if (!s->set) return readConfig(value, o, r, error);
  if (!s->set(o, r, value)) return error = "bad value for " + name + ": " + value, false;
  return true;
}

bool checkFolder(const std::string& dir, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec))
    return error = "the log folder " + dir + " does not exist", false;
  if (::access(dir.c_str(), W_OK | X_OK) != 0)
    return error = "the log folder " + dir + " is not writable", false;
  return true;
}

bool finish(const Raw& r, Options& o, std::string& error) {
  if (r.receiver.empty() == r.port.empty())
    return error = "give either --port (and --rate) or --receiver", false;
  if (r.dir.empty() || r.period < 0 || r.messages.empty())
    return error = "--dir, --period and --messages are needed", false;
  if (!r.receiver.empty() && !connectionFromReceiver(r.receiver, o.connection, error)) return false;
  if (!r.port.empty()) o.connection = r.port + ":" + std::to_string(r.rate);
  if (!checkFolder(r.dir, error)) return false;
  MessageList messages;
  if (!parseMessages(r.messages, messages, error)) return false;
  o.namer.directory = r.dir;
  o.namer.mode = r.naming;
  o.namer.fixedName = o.namer.prefix + o.namer.suffix;
  o.log.periodSec = r.period;
  o.log.useTempName = r.naming != 0;  // mode 0 appends to its one file
  o.log.overwrite = r.naming != 0;
  o.log.enableCommands = {messages.text};
  // Files begin at an epoch of the stream's own time when it carries one.
  o.log.waitForEpoch = messages.receiverTime || messages.nmeaTime || messages.rtcm3Time;
  o.log.nmeaTime = !messages.receiverTime && messages.nmeaTime;
  o.log.rtcm3Time = !messages.receiverTime && !messages.nmeaTime && messages.rtcm3Time;
  if (messages.shortestPeriod > 0) o.epochSec = messages.shortestPeriod;
  if (o.silenceSec <= 0) o.silenceSec = std::max(3.0, 3 * o.epochSec);
  return true;
}

}  // namespace

std::string usage() {
  std::string u =
      "usage: stelvan-log (--port PATH [--rate BAUD] | --receiver STRING) --dir DIR --period SECONDS\n"
      "                   --messages LIST [option VALUE]...\n"
      "       stelvan-log --config FILE [option VALUE]...\n"
      "Logs a receiver's stream to files that change at the period boundaries of the receiver's\n"
      "own time (the computer's clock for streams without it), each ZRX file beginning with a\n"
      "whole epoch; nothing received is lost or duplicated.\n";
  for (const Spec& s : table()) {
    std::string head = std::string("  --") + s.name + " " + s.value;
    head.resize(std::max<std::size_t>(head.size() + 1, 26), ' ');
    std::string help = s.help;
    for (std::size_t at = 0; (at = help.find('\n', at)) != std::string::npos; at += 27)
      help.insert(at + 1, 26, ' ');
    u += head + help + "\n";
  }
  u += "Every option is also a configuration key: \"dir = /srv/gnss\", \"messages = def:1\", ...\n"
       "Standard output: one \"HH:MM:SS Log file started: NAME\" and \"HH:MM:SS Log file closed: PATH\"\n"
       "line per file. Faults and line events go to standard error, one plain line each.\n"
       "A line that is cut (a read error, a hang-up or silence) closes the open file and is\n"
       "reconnected with a growing wait (1 s doubling up to --max-backoff); the gap is reported.\n"
       "Temporary files a killed run left (\"~NAME.tmp\") are finished at start. When a write\n"
       "fails (a full disk) the stream is counted, writing is retried every 5 s, and the file\n"
       "that lost data is named NAME.incomplete.EXT.\n"
       "Stops on SIGTERM or SIGINT: sends \"dm\", closes the last file, exits 0. Exit status 2:\n"
       "a usage or set-up fault; 1: the receiver could not be reached or refused the messages.\n";
  return u;
}

int parse(int argc, char** argv, Options& o, std::string& error) {
  o.namer.prefix = "Site";
  o.namer.suffix = ".zrx";
  Raw r;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") return 1;
    if (a.rfind("--", 0) != 0) return error = "unexpected argument " + a, 2;
    if (i + 1 >= argc) return error = "missing value after " + a, 2;
    if (!apply(a.substr(2), argv[++i], o, r, error)) return 2;
  }
  return finish(r, o, error) ? 0 : 2;
}

bool parseMessages(const std::string& list, MessageList& out, std::string& error) {
  out = MessageList{};
  std::string item;
  std::size_t from = 0;
  for (;;) {
    const std::size_t comma = list.find(',', from);
    item = trim(list.substr(from, comma - from));
    if (item.rfind("/msg/", 0) == 0) item.erase(0, 5);
    const std::size_t colon = item.find(':'), slash = item.find('/');
    const std::string path = item.substr(0, colon);
    const std::string format = slash < colon ? path.substr(0, slash) : "zrx";
    const std::string name = slash < colon ? path.substr(slash + 1) : path;
    static const char* formats[] = {"zrx", "nmea", "cmr", "rtcm", "rtcm3"};
    bool known = false;
    for (const char* f : formats) known |= format == f;
    if (!known) return error = "unknown message format \"" + format + "\" in \"" + item + "\"", false;
    bool nameOk = !name.empty() && name.size() <= 7;
    for (const char c : name)
      nameOk &= std::isalnum(static_cast<unsigned char>(c)) || c == '~' || c == '|' || c == '=';
    if (!nameOk) return error = "bad message name in \"" + item + "\"", false;
    if (colon != std::string::npos) {
      double period = 0;
      if (!toSeconds(item.substr(colon + 1), period)) return error = "bad period in \"" + item + "\"", false;
      if (out.shortestPeriod == 0 || period < out.shortestPeriod) out.shortestPeriod = period;
    }
    out.receiverTime |= format == "zrx" && (name == "def" || name == "RT" || name == "~~");
    out.nmeaTime |= format == "nmea" && (name == "GGA" || name == "RMC" || name == "ZDA" || name == "GLL" ||
                                         name == "GNS");
    out.rtcm3Time |= Gnss::IsMsmItem(format, name);
    out.text += (out.text.empty() ? "em,," : ",") + item;
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return true;
}

namespace {
// gridctl names a USB receiver by the port path it sits on ("USB:1-2.4", as its list
// shows); the receiver model opens the receiver it finds there at each connection.
bool usbConnection(const std::string& word, std::string& out, std::string& error) {
  if (!CMNC::isUsbLocation(word) && !CMNC::isReceiverUsbName(word))
    return error =
               "bad USB receiver \"" + word + "\": give the port path gridctl --list shows, as in USB:1-2",
           false;
  return out = "USB:" + word, true;
}
}  // namespace

bool connectionFromReceiver(const std::string& receiver, std::string& out, std::string& error) {
  if (receiver.rfind("COM", 0) == 0) {
    std::string rest = receiver.substr(3);
    const std::size_t colon = rest.find(':');
    std::string port = rest.substr(0, colon);
    std::string rate = "115200";
    if (colon != std::string::npos) {
      const std::size_t next = rest.find(':', colon + 1);
      rate = rest.substr(colon + 1, next == std::string::npos ? std::string::npos : next - colon - 1);
    }
    int n = 0;
    if (toInt(port, 1, 256, n)) port = "/dev/ttyS" + std::to_string(n - 1);
    int baud = 0;
    if (port.empty() || !toInt(rate, 50, 4000000, baud))
      return error = "bad receiver string " + receiver, false;
    return out = port + ":" + rate, true;
  }
  if (receiver.rfind("TCP:", 0) == 0 || receiver.rfind("WIFI:", 0) == 0) {
    const std::size_t host = receiver.find(':') + 1;
    if (host >= receiver.size() || receiver[host] == ':') return error = "no host in " + receiver, false;
    out = receiver;
    if (receiver.find(':', host) == std::string::npos) out += ":8000";
    return true;
  }
  if (receiver.rfind("USB:", 0) == 0) return usbConnection(receiver.substr(4), out, error);
  if (receiver.rfind("GSM", 0) == 0) {
    ModemTarget modem;
    if (!modem.Parse(receiver, error)) {
      if (error.rfind("ER:", 0) == 0) error.erase(0, 3);
      if (error == "Error baud!!") error = "bad modem line speed in " + receiver;
      return false;
    }
    return out = receiver, true;
  }
  return error = "unknown receiver string " + receiver, false;
}

}  // namespace stelvanlog
