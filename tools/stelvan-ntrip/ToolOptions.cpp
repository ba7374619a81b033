#include "ToolOptions.h"

#include <cstdlib>

namespace ntriptool {

const char* usage() {
  return R"(usage: stelvan-ntrip --caster [ntrips://]HOST[:PORT] --mount M [--user U --password P]
                     [--ntrip-version 1|2] [--gga LAT,LON,H | --gga-from RECEIVER]
                     [--gga-interval S] --to DEST [--seconds N] [--attempts N]
                     [--tls] [--tls-ca FILE] [--tls-fingerprint HEX]
       stelvan-ntrip --caster [ntrips://]HOST[:PORT] --sourcetable [--user U --password P]
Takes RTK corrections from an NTRIP caster's mount point and passes them to a receiver.
  --caster HOST[:PORT]  the caster (port 2101 when none is given); ntrips://HOST[:PORT]
                        or --tls: over TLS, the certificate checked against the system's
                        trusted roots and the host name
  --tls-ca FILE         trust a caster certificate that chains to FILE's CA certificates
  --tls-fingerprint HEX trust the caster certificate with this SHA-256 fingerprint
  --mount M             the mount point; --sourcetable lists the caster's mount points
  --user U, --password P   the caster's login (HTTP Basic)
  --ntrip-version 1|2   NTRIP 1.0 or 2.0 (default 2; a 1.0 caster's answer is understood too)
  --gga LAT,LON,H       upload this position (degrees, degrees, metres) as GGA
  --gga-from RECEIVER   upload the receiver's own position (a receiver string such as
                        /dev/ttyUSB0:115200 or TCP:HOST:PORT); it is asked for GGA output
  --gga-interval S      seconds between GGA uploads (default 10)
  --to DEST             where the corrections go:
                          COM<device>:<rate>   a receiver port on its own serial cable
                          TCP:HOST:PORT        a receiver's TCP port that takes corrections
                          RCV:<receiver>       through the receiver's own link, between its
                                               commands (the port's input mode must take them)
                          -                    standard output
  --seconds N           stop after N seconds
  --attempts N          give up after N connection attempts in a row without data
  --status-interval S   seconds between status lines (default 10)
Standard error: a status line every 10 s (state, bytes, rate, RTCM 3 messages by type,
age of the last message, reconnects) and every change of state. Reconnects by itself with
a back-off of 1 s doubling to 60 s. A destination that fails later (a receiver unplugged
or restarted) is opened again, 1 s doubling to 30 s, dropping the corrections meanwhile.
Exit codes: 0 stopped (signal or --seconds), 1 user name or password refused, 2 bad
command line, 3 unknown mount point, 4 destination not opened at the start or its port
refuses corrections, 5 caster unreachable
(--attempts) or no source table, 6 receiver of --gga-from or RCV: not opened,
7 the caster's TLS certificate not trusted (also with --sourcetable).
)";
}

namespace {

bool toInt(const char* v, int lo, int hi, int& out) {
  char* end = nullptr;
  const long n = std::strtol(v, &end, 10);
  if (!*v || *end || n < lo || n > hi) return false;
  out = static_cast<int>(n);
  return true;
}

bool caster(std::string v, Ntrip::CasterRequest& r) {
  if (v.rfind("ntrips://", 0) == 0) {
    r.tls = true;
    v.erase(0, 9);
  } else if (v.rfind("ntrip://", 0) == 0) {
    v.erase(0, 8);
  }
  if (!v.empty() && v.back() == '/') v.pop_back();
  const std::size_t colon = v.rfind(':');
  r.host = v.substr(0, colon);
  if (colon == std::string::npos) return !r.host.empty();
  return !r.host.empty() && toInt(v.c_str() + colon + 1, 1, 65535, r.port);
}

}  // namespace

int parse(int argc, char** argv, Options& o, std::string& error) {
  Ntrip::ClientSettings& c = o.client;
  c.ggaIntervalSec = 10;
  bool wantsGga = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") return 1;
    if (a == "--sourcetable" || a == "--tls") {
      (a == "--tls" ? c.caster.tls : o.sourceTable) = true;
      continue;
    }
    if (i + 1 >= argc) return error = "missing value after " + a, 2;
    const char* v = argv[++i];
    bool ok = true;
    if (a == "--caster")
      ok = caster(v, c.caster);
    else if (a == "--tls-ca")
      c.caster.tlsCaFile = v;
    else if (a == "--tls-fingerprint")
      c.caster.tlsFingerprint = v;
    else if (a == "--mount")
      c.caster.mount = v[0] == '/' ? v + 1 : v;
    else if (a == "--user")
      c.caster.user = v;
    else if (a == "--password")
      c.caster.password = v;
    else if (a == "--ntrip-version")
      ok = toInt(v, 1, 2, c.caster.version);
    else if (a == "--gga")
      ok = Ntrip::ParsePosition(v, c.fixedPosition), c.hasFixedPosition = wantsGga = true;
    else if (a == "--gga-from")
      o.ggaFrom = v, wantsGga = true;
    else if (a == "--gga-interval")
      ok = toInt(v, 1, 3600, c.ggaIntervalSec);
    else if (a == "--to")
      o.to = v;
    else if (a == "--seconds")
      ok = toInt(v, 1, 1 << 30, o.seconds);
    else if (a == "--attempts")
      ok = toInt(v, 1, 1 << 20, c.maxAttempts);
    else if (a == "--status-interval")
      ok = toInt(v, 1, 3600, o.statusSeconds);
    else
      return error = "unknown option " + a, 2;
    if (!ok) return error = "bad value for " + a + ": " + v, 2;
  }
  if (!wantsGga) c.ggaIntervalSec = 0;
  if (c.caster.host.empty()) return error = "--caster is needed", 2;
  if (!c.caster.tls && (!c.caster.tlsCaFile.empty() || !c.caster.tlsFingerprint.empty()))
    return error = "--tls-ca and --tls-fingerprint are for a caster over TLS (--tls or ntrips://)", 2;
  if (o.sourceTable) return 0;
  if (c.caster.mount.empty() || o.to.empty())
    return error = "--mount and --to are needed (or --sourcetable)", 2;
  if (c.hasFixedPosition && !o.ggaFrom.empty()) return error = "give --gga or --gga-from, not both", 2;
  return 0;
}

}  // namespace ntriptool
