#include "Options.h"

#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>

namespace rcvsim {

const char* helpText() {
  return R"(Usage: rcvsim [options]
A stand-in GNSS receiver: ZRX command language, parameter tree, data streams
(ZRX, NMEA, RTCM 2 and 3, CMR), log files with block transfer, on a pseudo-terminal,
a TCP port or behind an AT-command modem.

Fronts (at least one of --pty and --tcp):
  --pty                 serve on a new pseudo-terminal; prints "pty <path>" first on stdout
  --tcp HOST:PORT       serve the receiver's network port (PORT 0: any free port;
                        prints "tcp <port>")
  --password TEXT       password of the TCP login (default: any password is accepted)
  --wifi                TCP without the login prompt (the Wi-Fi port)
  --login-pieces N      send the login prompt in N pieces (1..8, default 1) ...
  --login-gap-ms N      ... N ms apart (default 300)
  --modem               put an AT-command modem before the receiver on the pty
  --modem-pin PIN       the modem's SIM is locked (no dialling) until at+cpin="PIN"
  --modem-refuse TEXT   answer "atd" with TEXT (e.g. "NO CARRIER") instead of CONNECT
  --modem-dial-ms N     time the modem takes to connect (default 100)
  --port-b              port B, which takes RTCM 3 corrections, on a second pseudo-terminal;
                        prints "ptyb <path>"
  --port-b-tcp HOST:PORT  port B on a TCP port (PORT 0: any free port; prints "tcpb <port>")

Line:
  --rate N              the receiver's current serial rate (default 115200); while the
                        other side of the pty uses another speed, both directions are garbled
  --pace                send no faster than the current rate allows (a pty has no timing)

Receiver:
  --model TEXT          receiver model (default NH-RCV-100)
  --firmware TEXT       firmware version text (default "3.7 Jun,02,2026")
  --rcvid TEXT          receiver id
  --site LAT,LON,H      site in degrees and metres (default 47.3769,8.5417,430)
  --start UTC           receiver time at start, "YYYY-MM-DDTHH:MM:SS" (default: now)
  --seed N              seed of all generated scatter and garbage (default 1)
  --reboot-ms N         silence after reset, NVRAM clear or firmware load (default 1500)
  --time-scale N        run the receiver's clock N times faster than real time (default 1),
                        so long logging runs and day changes can be tried in seconds
  --max-reply N         longest reply body before it is split (default 1024)
  --disk-size N         size of the log memory in bytes (default 67108864)

Files:
  --files DIR           serve the files of DIR as the receiver's log files; without it a
                        built-in set (a few KB to a few MB) is made in a temporary folder

Faults:
  --noise P             burst of noise bytes before a frame with chance P (0..1)
  --corrupt P           replace fraction P of the sent bytes with garbage
  --drop P              drop fraction P of the sent bytes
  --reply-delay-ms N    hold every reply back N ms
  --no-replies          take commands but never answer
  --bad-crc-block N     send download block N once with a bad CRC
  --bad-crc-times N     ... the first N sendings of it instead of once
  --error-block N       answer the request for download block N with an error reply
  --cut-after N         a transfer stops dead after N bytes (TCP: the connection is closed)
  --stop-streaming      data outputs fall silent while replies go on

Sky:
  --all-systems         add BeiDou and QZSS satellites to GPS, GLONASS, Galileo and SBAS
                        (30 and more in view: a crowded sky plot)

Other:
  --trace FILE          write everything received and sent to FILE
  --help                this text

The simulator serves until SIGTERM, SIGINT or the end of its standard input.
)";
}

namespace {

bool toNumber(const std::string& text, double& out) {
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == 0;
}

bool toInt(const std::string& text, long long& out) {
  char* end = nullptr;
  out = std::strtoll(text.c_str(), &end, 10);
  return !text.empty() && end && *end == 0;
}

bool parseUtc(const std::string& text, std::int64_t& ms) {
  std::tm tm{};
  int y, mo, d, h, mi, s;
  if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) return false;
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  ms = static_cast<std::int64_t>(timegm(&tm)) * 1000;
  return true;
}

}  // namespace

bool parseOptions(const std::vector<std::string>& args, Options& o, bool& help, std::string& error) {
  help = false;
  using Flag = std::function<void()>;
  using Valued = std::function<bool(const std::string&)>;
  const std::map<std::string, Flag> flags = {
      {"--pty", [&] { o.pty = true; }},
      {"--wifi", [&] { o.wifi = true; }},
      {"--modem", [&] { o.modem = true; }},
      {"--pace", [&] { o.pace = true; }},
      {"--port-b", [&] { o.portB = true; }},
      {"--no-replies", [&] { o.noReplies = true; }},
      {"--stop-streaming", [&] { o.stopStreaming = true; }},
      {"--all-systems", [&] { o.allSystems = true; }},
      {"--help", [&] { help = true; }},
  };
  auto intTo = [](auto& field, long long lo, long long hi) {
    return Valued([&field, lo, hi](const std::string& v) {
      long long n;
      if (!toInt(v, n) || n < lo || n > hi) return false;
      field = static_cast<std::remove_reference_t<decltype(field)>>(n);
      return true;
    });
  };
  auto fraction = [](double& field) {
    return Valued([&field](const std::string& v) { return toNumber(v, field) && field >= 0 && field <= 1; });
  };
  auto text = [](std::string& field) {
    return Valued([&field](const std::string& v) {
      field = v;
      return true;
    });
  };
  const std::map<std::string, Valued> valued = {
      {"--tcp", text(o.tcp)},
      {"--port-b-tcp", text(o.portBTcp)},
      {"--password", text(o.password)},
      {"--login-pieces", intTo(o.loginPieces, 1, 8)},
      {"--login-gap-ms", intTo(o.loginGapMs, 0, 600000)},
      {"--modem-pin", text(o.modemPin)},
      {"--modem-refuse", text(o.modemRefuse)},
      {"--modem-dial-ms", intTo(o.modemDialMs, 0, 600000)},
      {"--rate", intTo(o.rate, 300, 4000000)},
      {"--model", text(o.model)},
      {"--firmware", text(o.firmware)},
      {"--rcvid", text(o.rcvid)},
      {"--site",
       [&](const std::string& v) {
         return std::sscanf(v.c_str(), "%lf,%lf,%lf", &o.lat, &o.lon, &o.height) == 3;
       }},
      {"--start", [&](const std::string& v) { return parseUtc(v, o.startUtcMs); }},
      {"--seed", intTo(o.seed, 0, 1ll << 62)},
      {"--reboot-ms", intTo(o.rebootMs, 0, 600000)},
      {"--time-scale", intTo(o.timeScale, 1, 1000)},
      {"--max-reply", intTo(o.maxReplyBody, 64, 4095)},
      {"--disk-size", intTo(o.diskSize, 0, 1ll << 40)},
      {"--files", text(o.filesDir)},
      {"--trace", text(o.traceFile)},
      {"--noise", fraction(o.noise)},
      {"--corrupt", fraction(o.corrupt)},
      {"--drop", fraction(o.drop)},
      {"--reply-delay-ms", intTo(o.replyDelayMs, 0, 600000)},
      {"--bad-crc-block", intTo(o.badCrcBlock, 0, 65535)},
      {"--bad-crc-times", intTo(o.badCrcTimes, 1, 1000000)},
      {"--error-block", intTo(o.errorBlock, 0, 65535)},
      {"--cut-after", intTo(o.cutAfterBytes, 0, 1ll << 40)},
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (auto f = flags.find(a); f != flags.end()) {
      f->second();
      continue;
    }
    auto v = valued.find(a);
    if (v == valued.end()) {
      error = "unknown option " + a;
      return false;
    }
    if (i + 1 >= args.size()) {
      error = a + " needs a value";
      return false;
    }
    if (!v->second(args[++i])) {
      error = "bad value for " + a + ": " + args[i];
      return false;
    }
  }
  if (!help && !o.pty && o.tcp.empty()) {
    error = "give --pty or --tcp HOST:PORT";
    return false;
  }
  if (o.modem && !o.pty) {
    error = "--modem needs --pty";
    return false;
  }
  return true;
}

}  // namespace rcvsim
