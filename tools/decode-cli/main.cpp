// stelvan-decode: run one analysis over a recorded stream (a file or
// standard input) and print what was recognised.
#include <cstdio>
#include <cstring>
#include <string>

#include "DecodeRun.h"
#include "EpochRun.h"
#include "RtcmRun.h"

namespace {

const char* kUsage =
    "usage: stelvan-decode [--stats] [--strict] [FILE | -]\n"
    "       stelvan-decode --epochs [--begin FORMAT:ID] [--end FORMAT:ID] [FILE | -]\n"
    "       stelvan-decode --rtcm [FILE | -]\n"
    "Decode a recorded receiver stream (ZRX, NMEA, RTCM 2, RTCM 3, CMR) from FILE or\n"
    "standard input.\n"
    "  (default)  one line per recognised message:\n"
    "             <byte offset> <format> <identifier> <length> <status codes or ->\n"
    "  --stats    one JSON object instead: {\"bytes\": N, \"unknown_bytes\": N,\n"
    "             \"messages\": {\"<FORMAT>:<ID>\": count, ...},\n"
    "             \"refused\": {\"<FORMAT>:<reason>\": frames, ...}, \"gaps\": N}\n"
    "             refused: frames a parser refused, once each, by reason (crc,\n"
    "             checksum, parity, length, unknown_id); gaps: runs of unknown\n"
    "             bytes between two messages\n"
    "  --strict   keep the parsers' defaults (messages without a known length are refused)\n"
    "  --epochs   one JSON object per finished epoch, in order (decoded as by default):\n"
    "             \"messages\" (\"FORMAT:ID\" in arrival order), \"flags\", and what the\n"
    "             epoch's messages filled of: hour, minute, second, millisecond, year,\n"
    "             month, day, latitude, longitude (degrees, south and west negative),\n"
    "             height, position_accuracy, velocity_accuracy, speed_kmh, course,\n"
    "             magnetic_variation, course_over_ground, pdop, vdop, hdop, tdop,\n"
    "             differential_age, station_number, fix_quality, satellites_used,\n"
    "             satellites_in_view (the sum of each system's GSV total), satellites\n"
    "             [{system, number, elevation, azimuth, snr, signals}]; a value no\n"
    "             message filled is left out. system: 1 GPS, 2 GLONASS, 3 Galileo,\n"
    "             4 SBAS, 5 unknown, 6 BeiDou, 7 QZSS, 8 NavIC (from the talker, else\n"
    "             from the number); snr is the first signal's, signals holds the\n"
    "             others' as {\"<GSV signal id>\": snr}. An epoch never finished is\n"
    "             not printed.\n"
    "  --begin FORMAT:ID  a message that opens an epoch\n"
    "  --end FORMAT:ID    a message that closes an epoch\n"
    "             FORMAT as --stats spells it; an NMEA ID without its talker\n"
    "             (\"NMEA:GGA\" matches GNGGA). Without either option the end marker\n"
    "             is \"ZRX:||\" and there is no begin marker; either option replaces that.\n"
    "  --rtcm     one JSON object per RTCM 3 message, in order, with its contents\n"
    "             (RTCM 3 field names): 1005/1006 type, station, x, y, z (m, Earth-fixed),\n"
    "             1006 antenna_height (m), lat, lon (degrees), h (m, WGS 84 ellipsoid);\n"
    "             1007/1008/1033 antenna, antenna_setup, antenna_serial (empty for 1007),\n"
    "             1033 receiver, firmware, receiver_serial; MSM 1071-1137 station, system,\n"
    "             epoch_ms (GLONASS: of the day, with day_of_week), multiple, satellites\n"
    "             [ids], signals [ids], cells; 1001-1004, 1009-1012 the same without\n"
    "             signals and cells; 1019, 1020, 1042, 1044, 1045, 1046 system,\n"
    "             satellite, week, toe (s; GLONASS: tb, s of the day); any other type,\n"
    "             station where it has one. \"truncated\": true when the body ends early.\n"
    "  --help     this text\n"
    "Exit status: 0 success, 1 the analysis did not finish in time, 2 usage or read error.\n";

}  // namespace

int main(int argc, char** argv) {
  bool stats = false, strict = false, epochs = false, rtcm = false;
  decodecli::EpochOptions epochOptions;
  std::string path;
  bool havePath = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--stats") {
      stats = true;
    } else if (a == "--strict") {
      strict = true;
    } else if (a == "--epochs") {
      epochs = true;
    } else if (a == "--rtcm") {
      rtcm = true;
    } else if ((a == "--begin" || a == "--end") && i + 1 < argc) {
      std::string f, id;
      if (!decodecli::parseMarker(argv[i + 1], f, id)) {
        std::fprintf(stderr, "stelvan-decode: %s wants FORMAT:ID, not '%s'\n%s", a.c_str(), argv[i + 1], kUsage);
        return 2;
      }
      (a == "--begin" ? epochOptions.begin : epochOptions.end) = argv[++i];
    } else if (!havePath && (a == "-" || a.empty() || a[0] != '-')) {
      path = a;
      havePath = true;
    } else {
      std::fprintf(stderr, "stelvan-decode: unexpected argument '%s'\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  std::FILE* in = stdin;
  if (havePath && path != "-") {
    in = std::fopen(path.c_str(), "rb");
    if (!in) {
      std::fprintf(stderr, "stelvan-decode: cannot open '%s': %s\n", path.c_str(), std::strerror(errno));
      return 2;
    }
  }
  static char outbuf[1 << 16];
  std::setvbuf(stdout, outbuf, _IOFBF, sizeof outbuf);
  decodecli::RunOptions opt;
  opt.strict = strict;
  opt.lines = stats ? nullptr : stdout;
  const decodecli::RunResult r = epochs ? decodecli::runEpochs(in, epochOptions, stdout)
                                 : rtcm ? decodecli::runRtcm(in, strict, stdout)
                                        : decodecli::runDecode(in, opt);
  if (in != stdin) std::fclose(in);
  if (!r.ok) {
    std::fflush(stdout);
    std::fprintf(stderr, "stelvan-decode: read error: %s\n", r.error.c_str());
    return 2;
  }
  if (stats && !epochs && !rtcm) std::printf("%s\n", decodecli::statsJson(r).c_str());
  std::fflush(stdout);
  if (!r.drained) {
    std::fprintf(stderr, "stelvan-decode: the analysis did not finish within its waits\n");
    return 1;
  }
  return 0;
}
