// The parameters a client reads and writes, with plausible values and the value
// sets the configuration pages offer. Identity, ports, rates and file-system
// figures that depend on the running receiver are filled in by the receiver.
#include "ParamTree.h"

namespace rcvsim {

namespace {

constexpr const char* kOnOff = "on|off";
constexpr const char* kYesNo = "y|n|yes|no";
constexpr const char* kImode = "none|cmd|echo|rtcm|rtcm3|omni|cmr";
constexpr const char* kBaud =
    "300|600|1200|2400|4800|9600|19200|38400|57600|115200|153600|230400|460800|1500000";

std::vector<ParamSeedEntry> build() {
  std::vector<ParamSeedEntry> t = {
      // Identity (model, firmware and id are overwritten from the options).
      {"/par/rcv/model", "NH-RCV-100", "ro"},
      {"/par/rcv/sn", "00A1B2", "ro"},
      {"/par/rcvid", "SIM0A1B2C3D4", "ro"},
      {"/par/version/main", "3.7 Jun,02,2026", "ro"},
      {"/par/rcv/ver/main", "3.7 Jun,02,2026", "ro"},
      {"/par/rcv/ver/board", "SIM-BOARD rev.2", "ro"},
      {"/par/rcv/ver/hw", "2.1", "ro"},
      {"/par/rcv/ver/boot", "1.14", "ro"},
      {"/par/rcv/ver/modem", "none", "ro"},
      {"/par/rcv/mem", "65536", "ro"},
      {"/par/rcv/uptime", "0", "ro"},
      {"/par/rcv/flash/waitstates", "2", "ro"},
      {"/par/base/mode", "off", kOnOff},
      {"/par/rover/mode", "on", kOnOff},
      // General page.
      {"/par/out/elm/cur/term", "5", "int:-90:90"},
      {"/par/out/elm/cur/log", "5", "int:-90:90"},
      {"/par/ant/inp", "auto", "int|ext|auto"},
      {"/par/ant/curinp", "ext", "ro"},
      {"/par/ant/dc", "ok", "ro"},
      {"/par/dev/thermo/out", "37.5", "ro"},
      {"/par/pwr/mode", "auto", "auto|mix|a|b|ext"},
      {"/par/pwr/curmode", "ext", "ro"},
      {"/par/pwr/charge/bat", "auto", "off|a|b|auto"},
      {"/par/pwr/charge/speed", "normal", "normal|fast"},
      {"/par/pwr/charge/curbat", "off", "ro"},
      {"/par/pwr/charge/curspeed", "normal", "ro"},
      {"/par/pwr/chdc", "120", "ro"},
      {"/par/pwr/ext", "12.10", "ro"},
      {"/par/pwr/board", "11.95", "ro"},
      {"/par/pwr/bat/a", "7.40", "ro"},
      {"/par/pwr/bat/b", "7.38", "ro"},
      {"/par/pwr/charger", "0.00", "ro"},
      {"/par/pwr/extports", "12.00", "ro"},
      {"/par/pwr/d3v", "3.31", "ro"},
      {"/par/pwr/a3v", "3.30", "ro"},
      {"/par/pwr/d5v", "5.02", "ro"},
      {"/par/pwr/a5v", "5.01", "ro"},
      {"/par/lpm", "off", kOnOff},
      {"/par/pwr/ports", "on", "off|on|always"},
      {"/par/pwr/slots", "on", "off|on|always"},
      {"/par/out/ab", "on", kOnOff},
      {"/par/out/c", "off", kOnOff},
      {"/par/pwr/out/ab", "on", kOnOff},
      {"/par/pwr/out/c", "off", kOnOff},
      {"/par/pwr/switch/2", "on", kOnOff},
      {"/par/pwr/switch/3", "on", kOnOff},
      {"/par/pwr/switch/4", "off", kOnOff},
      // MinPad page.
      {"/par/log/sc/period", "1.00", "real:0.01:86400"},
      {"/par/cmd/create/prefix", "log", ""},
      {"/par/button/file", "off", kOnOff},
      {"/par/button/rot", "off", kOnOff},
      {"/par/log/rot/sc/period", "3600", "real:0:86400"},
      {"/par/log/rot/sc/phase", "0", "real:0:86400"},
      {"/par/log/rot/sc/count", "0", "int:0:1000"},
      {"/par/log/rot/count", "0", "ro"},
      {"/par/log/rot/rmold", "off", kOnOff},
      {"/par/button/action", "led", "led|dyn"},
      {"/par/button/dyn", "static", "static|dynamic"},
      {"/par/button/auto", "off", "off|on|always"},
      // Positioning page.
      {"/par/pos/mode/cur", "sp", "sp|cd|wd|pf|pd"},
      {"/par/pos/pd/reset", "off", kOnOff},
      {"/par/pos/mode/sp", "on", kOnOff},
      {"/par/pos/mode/cd", "on", kOnOff},
      {"/par/pos/mode/pf", "on", kOnOff},
      {"/par/pos/mode/pd", "on", kOnOff},
      {"/par/pos/mode/wd", "off", kOnOff},
      {"/par/pos/elm", "5", "int:-90:90"},
      {"/par/pos/pdop", "30", "real:0:1000"},
      {"/par/pos/sys", "{on,on,on,on}", "list"},
      {"/par/pos/raim/mode", "on", kOnOff},
      {"/par/pos/raim/al/mode", "manual", "manual|npa|ter|enr"},
      {"/par/pos/raim/al/manual", "100", "real:0:10000"},
      {"/par/pos/meas", "ca", "ca|p1|p2|ionofree"},
      {"/par/pos/sp/meas", "ca", "ca|p1|p2|ionofree"},
      {"/par/pos/iono", "on", kOnOff},
      {"/par/pos/tropo", "on", kOnOff},
      {"/par/pos/sp/iono", "on", kOnOff},
      {"/par/pos/sp/tropo", "on", kOnOff},
      {"/par/pos/datum/cur", "W84", "W84|P90|USER|SK42|SK95"},
      {"/par/pos/datum/USER", "{{U-,6378137.000,298.257223563},{USER,0,0,0,0,0,0,0,0}}", "list"},
      {"/par/pos/datum/P90/par", "{P90,0,1.1,0.3,0.9,-0.2,0,0,0}", "list"},
      {"/par/lock/pcode", "on", kOnOff},
      {"/par/lock/gps/sat", "{n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n}", "list"},
      {"/par/pos/gps/sat", "{y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y}", "list"},
      {"/par/lock/glo/fcn", "{n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n}", "list"},
      {"/par/pos/glo/fcn", "{y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y}", "list"},
      {"/par/pos/glo/sat", "{y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y}", "list"},
      {"/par/lock/gal/sat", "{n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n}", "list"},
      {"/par/pos/gal/sat", "{y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y}", "list"},
      {"/par/lock/sbas/sat", "{n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n,n}", "list"},
      {"/par/pos/sbas/sat", "{y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y,y}", "list"},
      // Base page.
      {"/par/ref/avg/mode", "off", kOnOff},
      {"/par/ref/avg/span", "180", "int:0:86400"},
      {"/par/ref/pos/gps/geo", "{W84,N47d22m36.84000s,E08d32m30.12000s,430.0000}", ""},
      {"/par/ref/pos/glo/geo", "{W84,N47d22m36.84000s,E08d32m30.12000s,430.0000}", ""},
      {"/par/ref/ant/l2_l1", "{0.0000,0.0000,0.0000}", "list"},
      {"/par/rtcm/base/stid", "0", "int:0:4095"},
      {"/par/rtcm/base/svm", "12", "int:1:32"},
      {"/par/rtcm/base/health", "good", "good|bad|unknown"},
      {"/par/rtcm/base/meas/ca", "on", kOnOff},
      {"/par/rtcm/base/meas/p1", "off", kOnOff},
      {"/par/rtcm/base/meas/p2", "on", kOnOff},
      {"/par/rtcm/base/sys", "{on,on}", "list"},
      {"/par/rtcm/base/smooth", "off", kOnOff},
      {"/par/cmr/base/stid", "0", "int:0:31"},
      {"/par/cmr/base/motion", "static", "unknown|static|kinematic"},
      {"/par/cmr/base/pcode", "off", kOnOff},
      {"/par/cmr/base/meas/p2", "on", kOnOff},
      {"/par/cmr/base/glo/type", "cmr+", ""},
      {"/par/cmr/base/desc", "{\"SIM\",\"\",\"Simulated base\"}", ""},
      // Rover page.
      {"/par/pos/pd/mode", "extrap", "extrap|delay"},
      {"/par/pos/pd/dyn", "1.0", "0.0|1.0"},
      {"/par/pos/pd/aflevel", "medium", "low|medium|high"},
      {"/par/pos/pd/meas/ca", "on", kOnOff},
      {"/par/pos/pd/meas/p1", "off", kOnOff},
      {"/par/pos/pd/meas/p2", "on", kOnOff},
      {"/par/pos/pd/ref/keep", "off", kOnOff},
      {"/par/pos/pd/period", "1", "real:0:60"},
      {"/par/pos/pd/port", "/dev/ser/b", ""},
      {"/par/cmr/rover/glo/type", "cmr+", ""},
      {"/par/pos/cd/src/mode", "best", "user|best|nearest|any"},
      {"/par/pos/cd/maxage", "30", "int:0:1200"},
      {"/par/pos/cd/iono/maxage", "600", "int:0:3600"},
      {"/par/pos/cd/ionofree", "off", kOnOff},
      {"/par/pos/cd/port", "/dev/ser/b", ""},
      {"/par/pos/cd/src/usersrc", "0", "int:0:1023"},
      // Ethernet, Wi-Fi, Bluetooth, GSM.
      {"/par/net/ip/addr", "192.168.1.50", ""},
      {"/par/net/ip/mask", "255.255.255.0", ""},
      {"/par/net/ip/gw", "192.168.1.1", ""},
      {"/par/net/passwd", "\"\"", ""},
      {"/par/net/tcp/port", "8002", "int:1:65535"},
      {"/par/net/tcp/timeout", "600", "int:0:86400"},
      {"/par/net/ftp/port", "21", "int:1:65535"},
      {"/par/net/ftp/timeout", "600", "int:0:86400"},
      {"/par/net/wlan/mode", "off", "off|on|ap|client"},
      {"/par/net/wlan/ip/addr", "10.0.0.2", ""},
      {"/par/net/wlan/ip/mask", "255.255.255.0", ""},
      {"/par/net/wlan/ip/gw", "10.0.0.1", ""},
      {"/par/net/wlan/ap/id", "00:00:00:00:00:00", ""},
      {"/par/net/wlan/ap/key1", "\"\"", ""},
      {"/par/net/wlan/ap/key2", "\"\"", ""},
      {"/par/net/wlan/ap/key3", "\"\"", ""},
      {"/par/net/wlan/ap/key4", "\"\"", ""},
      {"/par/net/wlan/inf/fccid", "SIMWLAN01", "ro"},
      {"/par/net/wlan/inf/ic", "1000A-SIMW", "ro"},
      {"/par/blt/name", "SIM-BLT", ""},
      {"/par/blt/pin", "1234", ""},
      {"/par/blt/inf/fccid", "SIMBLT01", "ro"},
      {"/par/blt/inf/ic", "1000A-SIMB", "ro"},
      {"/par/modem/b/mode", "slave", "master|slave"},
      {"/par/modem/b/pin", "\"0000\"", ""},
      {"/par/modem/c/mode", "slave", "master|slave"},
      {"/par/modem/c/pin", "\"0000\"", ""},
      {"/par/modem/c/inf/dev/fccid", "SIMGSM01", "ro"},
      {"/par/modem/c/inf/dev/ic", "1000A-SIMG", "ro"},
      {"/par/modem/c/uhf/inf/fccid", "SIMUHF01", "ro"},
      {"/par/modem/c/uhf/inf/ic", "1000A-SIMU", "ro"},
      // Event page.
      {"/par/dev/event/a/edge", "rise", "rise|fall"},
      {"/par/dev/event/b/edge", "rise", "rise|fall"},
      {"/par/dev/event/a/time", "gps", "gps|glo|utcusno|utcsu"},
      {"/par/dev/event/b/time", "gps", "gps|glo|utcusno|utcsu"},
      {"/par/dev/event/a/tied", "off", kOnOff},
      {"/par/dev/event/b/tied", "off", kOnOff},
      {"/par/dev/event/a/in", "off", kOnOff},
      {"/par/dev/event/b/in", "off", kOnOff},
      {"/par/dev/event/a/lock", "off", kOnOff},
      {"/par/dev/event/b/lock", "off", kOnOff},
      {"/par/dev/event/a/locked", "no", "ro"},
      {"/par/dev/event/b/locked", "no", "ro"},
      // Advanced page.
      {"/par/ajm/mode", "n", kYesNo},
      {"/par/ajm/band", "{n,n,n,n,n}", "list"},
      {"/par/raw/corr/ca/code", "mpnew", "mpnew|normal"},
      {"/par/raw/corr/ca/carrier", "mpnew", "mpnew|normal"},
      {"/par/raw/pll/band", "15", "real:2:50"},
      {"/par/raw/pll/order", "3", "int:1:3"},
      {"/par/raw/cagdl/band", "0.5", "real:0.1:50"},
      {"/par/raw/gdl/adapt", "on", kOnOff},
      {"/par/frq/mode", "off", "off|use|gen"},
      {"/par/frq/in/frq", "10", "real:5:40"},
      {"/par/frq/in/status", "none", "ro"},
      {"/par/frq/in/amp", "0", "ro"},
      {"/par/frq/out/frq", "20.000", "ro"},
      {"/par/osc/mode", "off", "off|locked|tied"},
      {"/par/raw/msint", "100", "int:10:5000"},
      {"/par/raw/curmsint", "100", "ro"},
      {"/par/pos/msint", "100", "int:10:5000"},
      {"/par/pos/curmsint", "100", "ro"},
      {"/par/raw/smi", "100", "int:0:900"},
      {"/par/raw/dopp/smi", "1", "real:0.1:100"},
      {"/par/raw/iono/smi", "300", "int:0:900"},
      {"/par/raw/iono/minsmi", "100", "int:0:900"},
      // File system (sizes and counts are kept current by the receiver).
      {"/par/dev/blk/a/size", "0", "ro"},
      {"/par/dev/blk/a/free", "0", "ro"},
      {"/par/dev/blk/a/files", "0", "ro"},
      {"/par/dev/blk/a/ver", "2.3", "ro"},
      {"/par/dev/blk/a/block_size", "512", "ro"},
      {"/par/dev/blk/a/blocks", "0", "ro"},
      {"/par/dev/blk/a/bad_blocks", "0", "ro"},
      {"/par/dev/blk/a/verify", "off", kOnOff},
      {"/par/stat/fsinit", "{0,0}", "ro"},
      {"/par/stat/rw", "{{1024,0,0},{512,0,0}}", "ro"},
  };
  // Ports: serial a..d, TCP a..e, USB, Bluetooth, modem, CAN; PPS a and b.
  for (const char* p : {"a", "b", "c", "d"}) {
    const std::string base = std::string("/par/dev/ser/") + p;
    t.push_back({base + "/rate", "115200", kBaud});
    t.push_back({base + "/rtscts", "off", kOnOff});
    // Port B takes the corrections the rover's sources name.
    t.push_back({base + "/imode", std::string(p) == "b" ? "rtcm" : "cmd", kImode});
  }
  for (const char* p : {"a", "b", "c", "d", "e"})
    t.push_back({std::string("/par/dev/tcp/") + p + "/imode", "cmd", kImode});
  for (const char* p : {"usb", "blt", "modem"})
    t.push_back({std::string("/par/dev/") + p + "/a/imode", "cmd", kImode});
  for (const char* p : {"a", "b"}) {
    const std::string can = std::string("/par/dev/can/") + p;
    t.push_back({can + "/imode", "none", kImode});
    t.push_back({can + "/rate", "250", "125|250|500|1000"});
    t.push_back({can + "/sid/in/first", "0", "int:0:2047"});
    t.push_back({can + "/sid/in/cnt", "1", "int:0:2048"});
    t.push_back({can + "/sid/out/first", "0", "int:0:2047"});
    t.push_back({can + "/sid/out/cnt", "1", "int:0:2048"});
    const std::string pps = std::string("/par/dev/pps/") + p;
    t.push_back({pps + "/out", "off", kOnOff});
    t.push_back({pps + "/per/ms", "1000", "int:1:1000000"});
    t.push_back({pps + "/offs/ms", "0", "int:-500:500"});
    t.push_back({pps + "/offs/ns", "0", "int:-500000:500000"});
    t.push_back({pps + "/edge", "rise", "rise|fall"});
    t.push_back({pps + "/time", "gps", "gps|glo|utcusno|utcsu"});
    t.push_back({pps + "/mper", "0", "int:0:1000000"});
    t.push_back({pps + "/tied", "off", kOnOff});
  }
  return t;
}

}  // namespace

const std::vector<ParamSeedEntry>& paramSeed() {
  static const std::vector<ParamSeedEntry> table = build();
  return table;
}

}  // namespace rcvsim
