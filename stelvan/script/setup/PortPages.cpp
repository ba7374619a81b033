// Ports, Event and Advanced pages.
#include <cstdio>
#include <map>

#include "SetupPages.h"

namespace SetupPages {

using namespace Spec;

namespace {

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

ParamSpec inputMode(const std::string& section, const std::string& port, bool cmdFirst = false) {
  ParamSpec s = choice(section, "", "/par" + port + "/imode",
                       pairs({"None", "Command", "Echo", "RTCM 2.x", "RTCM 3.x", "Omni"},
                             {"none", "cmd", "echo", "rtcm", "rtcm3", "omni"}),
                       "Can't set input mode for " + port);
  s.port = port;
  s.cmdFirst = cmdFirst;
  return s;
}

ParamSpec onPort(ParamSpec s, const std::string& port) {
  s.port = port;
  return s;
}

ParamSpec ip(const std::string& label, const std::string& path, const std::string& what,
             const std::string& can) {
  return number("Ethernet", label, path, "%d.%d.%d.%d", 0, 0, "Invalid " + what, "", "Cannot set " + can);
}

// The clients of the TCP ports from the "stat={tcpd={" list of "print,net:on": port letter ->
// "address:port".
std::map<char, std::string> tcpClients(const std::string& net) {
  std::map<char, std::string> out;
  const std::string head = "stat={tcpd={";
  std::size_t at = net.find(head);
  if (at == std::string::npos) return out;
  at += head.size();
  const std::size_t end = net.find("}}", at);
  const std::string list = net.substr(at, end == std::string::npos ? std::string::npos : end - at);
  for (std::size_t p = 0; p < list.size();) {
    while (p < list.size() && (list[p] == '{' || list[p] == ',' || list[p] == '}' || list[p] == ' ')) ++p;
    if (p >= list.size()) break;
    char address[64] = {}, port[16] = {}, dev = 0;
    if (std::sscanf(list.c_str() + p, "%63[^,],port=%15[^,],dev=%c", address, port, &dev) == 3)
      out[dev] = std::string(address) + ":" + port;
    const std::size_t close = list.find('}', p);
    if (close == std::string::npos) break;
    p = close + 1;
  }
  return out;
}

// The port the program talks through is never changed from here; a TCP port shows its client,
// and one that serves a program goes back to commands before it takes another input mode; the
// GSM modem is b or c by model; an empty PIN shows the default; Wi-Fi keys are never shown.
void portRules(CPageModel& page) {
  const std::string current = page.at(0).value;
  for (std::size_t i = 0; i < page.size(); ++i)
    if (!page.spec(i).port.empty() && page.spec(i).port == current) page.disable(i);
  const auto net = static_cast<std::size_t>(page.indexOf("net:on"));
  const std::map<char, std::string> clients = tcpClients(page.at(net).value);
  for (const char x : std::string("abcde")) {
    const std::string port = std::string("/dev/tcp/") + x;
    const auto it = clients.find(x);
    page.show(static_cast<std::size_t>(page.indexOf(port + "/ip")), it == clients.end() ? "" : it->second);
  }
  for (int k = 1; k <= 4; ++k) {
    const auto key = static_cast<std::size_t>(page.indexOf("/par/net/wlan/ap/key" + std::to_string(k)));
    if (page.at(key).enabled) page.fill(key, kWifiKeyMask);
  }
  const std::string model = page.at(static_cast<std::size_t>(page.indexOf("/par/rcv/model"))).value;
  const bool modemB = model.rfind(kModemBModel, 0) == 0;
  const std::string used = modemB ? "/par/modem/b/" : "/par/modem/c/";
  const std::string unused = modemB ? "/par/modem/c/" : "/par/modem/b/";
  page.disable(static_cast<std::size_t>(page.indexOf(unused + "mode")));
  page.disable(static_cast<std::size_t>(page.indexOf(unused + "pin")));
  const auto pin = static_cast<std::size_t>(page.indexOf(used + "pin"));
  if (page.at(pin).enabled && page.at(pin).value.empty()) page.fill(pin, kDefaultPin);
}

}  // namespace

CPageModel ports() {
  std::vector<ParamSpec> t = {hidden("/cur/term"), hidden("/par/rcv/model"), hidden("net:on")};
  auto add = [&](const std::string& tab, std::vector<ParamSpec> specs) {
    for (ParamSpec& s : onTab(tab, std::move(specs))) t.push_back(std::move(s));
  };
  const std::vector<std::string> bauds = {"300",    "600",    "1200",   "2400",   "4800",
                                          "9600",   "19200",  "38400",  "57600",  "115200",
                                          "153600", "230400", "460800", "1500000"};
  for (const char* x : {"a", "b", "c", "d"}) {
    const std::string port = std::string("/dev/ser/") + x;
    // The fourth serial port is the infrared one.
    const std::string section = "Serial " + upper(x) + (port == "/dev/ser/d" ? " / Infrared" : "");
    add("Serial",
        {inputMode(section, port), output(section, port),
         onPort(check(section, "RTS/CTS", "/par" + port + "/rtscts", "Can't set RTS/CTS mode for " + port),
                port),
         onPort(choice(section, "Baud rate:", "/par" + port + "/rate", pairs(bauds, bauds),
                       "Can't set baud rate for " + port),
                port)});
  }
  add("USB", {inputMode("USB", "/dev/usb/a"), output("USB", "/dev/usb/a")});
  for (const char* x : {"a", "b", "c", "d", "e"}) {
    const std::string port = std::string("/dev/tcp/") + x, section = "TCP " + upper(x);
    add("TCP",
        {derived(section, "IP:", port + "/ip"), inputMode(section, port, true), output(section, port)});
  }
  for (const char* x : {"a", "b"}) {
    const std::string port = std::string("/dev/can/") + x, section = "CAN " + upper(x), par = "/par" + port;
    const std::vector<std::string> rates = {"125", "250", "500", "1000"};
    add("CAN", {inputMode(section, port), output(section, port),
                onPort(choice(section, "Baud Rate :", par + "/rate", pairs(rates, rates),
                              "Can't set baud rate for " + port),
                       port),
                onPort(number(section, "Input first SID :", par + "/sid/in/first", "%d", 0, 0, "", "",
                              "Can't set First SID for Input for " + port),
                       port),
                onPort(number(section, "Input the number of SIDs:", par + "/sid/in/cnt", "%d", 0, 0, "", "",
                              "Can't set The Number of SIDs for Input for " + port),
                       port),
                onPort(number(section, "Output first SID :", par + "/sid/out/first", "%d", 0, 0, "", "",
                              "Can't set First SID for Output for " + port),
                       port),
                onPort(number(section, "Output  the number of SIDs:", par + "/sid/out/cnt", "%d", 0, 0, "",
                              "", "Can't set The Number of SIDs for Output for " + port),
                       port)});
  }
  ParamSpec passwd = quoted("Ethernet", "", "/par/net/passwd", "Cannot set Ethernet password");
  add("Ethernet", {ip("", "/par/net/ip/addr", "IP address", "IP address"),
                   ip("", "/par/net/ip/mask", "IP mask", "IP mask"),
                   ip("", "/par/net/ip/gw", "IP gateway", "IP gateway"), passwd,
                   number("Ethernet", "", "/par/net/tcp/port", "%d", 1, 65535, "Invalid TCP Port", "",
                          "Cannot set TCP Port"),
                   number("Ethernet", "", "/par/net/tcp/timeout", "%d", 0, 0, "Invalid timeout", "",
                          "Cannot set timeout"),
                   number("Ethernet", "", "/par/net/ftp/port", "%d", 1, 65535, "Invalid FTP Port", "",
                          "Cannot set FTP Port"),
                   number("Ethernet", "", "/par/net/ftp/timeout", "%d", 0, 0, "Invalid timeout", "",
                          "Cannot set timeout")});
  ParamSpec bltName = edit("BLT", "Name :", "/par/blt/name", "Cannot set BLT name");
  ParamSpec bltPin = edit("BLT", "Pin :", "/par/blt/pin", "Cannot set BLT pin");
  bltName.quotedInScript = bltPin.quotedInScript = true;
  add("BLT", {bltName, bltPin});
  add("WIFI", {check("WIFI", "Turn Wi-Fi on", "/par/net/wlan/mode", "Cannot set IP address"),
               number("WIFI", "", "/par/net/wlan/ip/addr", "%d.%d.%d.%d", 0, 0, "Invalid IP address", "",
                      "Cannot set IP address"),
               number("WIFI", "", "/par/net/wlan/ip/gw", "%d.%d.%d.%d", 0, 0, "Invalid GATEWAY address", "",
                      "Cannot set GATEWAY address"),
               number("WIFI", "", "/par/net/wlan/ip/mask", "%d.%d.%d.%d", 0, 0, "Invalid MASK", "",
                      "Cannot set MASK"),
               number("WIFI", "", "/par/net/wlan/ap/id", "%x:%x:%x:%x:%x:%x", 0, 0, "Invalid MAC address", "",
                      "Cannot set MAC address")});
  for (int k = 1; k <= 4; ++k) {
    // The keys are never shown; they go out (all of them) only when the first one was typed.
    ParamSpec key = quoted("WIFI", "", "/par/net/wlan/ap/key" + std::to_string(k), "Cannot set Wi-Fi key");
    key.mask = kWifiKeyMask;
    key.gate = "/par/net/wlan/ap/key1";
    add("WIFI", {key});
  }
  const auto masterSlave = pairs({"master", "slave"}, {"master", "slave"});
  ParamSpec pinB = quoted("GSM", "PIN :", "/par/modem/b/pin", "Cannot set PIN");
  ParamSpec pinC = quoted("GSM", "PIN :", "/par/modem/c/pin", "Cannot set PIN");
  add("GSM", {choice("GSM", "Turn GSM :", "/par/modem/b/mode", masterSlave, "Cannot set PIN"), pinB,
              choice("GSM", "Turn GSM :", "/par/modem/c/mode", masterSlave, "Cannot set PIN"), pinC});
  return CPageModel("Ports", std::move(t), portRules);
}

CPageModel event() {
  const auto edges = pairs({"Rise", "Fall"}, {"rise", "fall"});
  const auto times = pairs({"GPS", "GLO", "UTCus", "UTCsu"}, {"gps", "glo", "utcusno", "utcsu"});
  std::vector<ParamSpec> t;
  for (const char* x : {"a", "b"}) {
    const std::string X = upper(x), pps = "/par/dev/pps/" + std::string(x),
                      ev = "/par/dev/event/" + std::string(x);
    const std::string sec = "PPS " + X, esec = "Event " + X;
    const bool a = X == "A";
    std::vector<ParamSpec> rows = {
        check(sec, sec + " Enabled", pps + "/out", "Can't enable/disable " + sec),
        number(sec, "Period(ms):", pps + "/per/ms", "%d", 0, 0, "", "", "Can't set " + sec + " period"),
        number(sec, "Offset(ms):", pps + "/offs/ms", "%d", 0, 0, "", "",
               "Can't set " + sec + " offset in milliseconds"),
        number(sec, "Offset(ns):", pps + "/offs/ns", "%d", 0, 0, "", "",
               a ? "Can't set PPS B offset in milliseconds" : "Can't set PPS B offset in nanoseconds"),
        choice(sec, "", pps + "/edge", edges, "Can't set " + sec + " edge"),
        choice(sec, "Ref. Time", pps + "/time", times, "Can't set " + sec + " reference time"),
        number(sec, "", pps + "/mper", "%d", 0, 0, "", "",
               a ? "Can't set period of 'marked' PPS A pulses" : "Can't set  'marked' PPS B pulses"),
        check(sec, "Tied with Ref. Time", pps + "/tied", "Can't set " + sec + " tied mode"),
        check(esec, esec + " Enabled", ev + "/in", "Can't enable/disable " + esec),
        choice(esec, "", ev + "/edge", edges, "Can't set " + esec + " edge"),
        choice(esec, "Ref. Time", ev + "/time", times,
               a ? "Can't set Event A reference time" : "Can't set PPS B reference time"),
        check(esec, "Tied with Ref. Time", ev + "/tied", "Can't set " + esec + " tied mode"),
        check(esec, "Clock Synchronization", ev + "/lock", "Can't set clock synchronization with " + esec),
        readOnly(esec, "Status:", ev + "/locked"),
    };
    for (ParamSpec& r : rows) t.push_back(std::move(r));
  }
  return CPageModel("Event", std::move(t));
}

CPageModel advanced() {
  ParamSpec frqMode =
      choice("Ext.Frequency", "", "/par/frq/mode", pairs({"Off", "Input", "Output"}, {"off", "use", "gen"}),
             "Can't set frequency mode");
  frqMode.prefix = "";
  const std::string raw = "Raw Data Management";
  std::vector<ParamSpec> t;
  auto add = [&](const std::string& tab, std::vector<ParamSpec> specs) {
    for (ParamSpec& s : onTab(tab, std::move(specs))) t.push_back(std::move(s));
  };
  add("Anti-Interference", {check("Anti-Interference", "Anti-jamming Mode", "/par/ajm/mode",
                                  "Can't set Anti-Jamming mode", "y", "n"),
                            group("Anti-jamming Band", "", "/par/ajm/band",
                                  {"GPS L1", "GPS L2", "GPS L5", "GLONASS L1", "GLONASS L2"},
                                  "Can't set Anti-Jamming mode", "y", "n")});
  add("Multipath Reduction",
      {check("Multipath Reduction", "Code multipath reduction", "/par/raw/corr/ca/code",
             "Can't set Code multipath reduction mode", "mpnew", "normal"),
       check("Multipath Reduction", "Carrier multipath reduction", "/par/raw/corr/ca/carrier",
             "Can't set Carrier multipath reduction mode", "mpnew", "normal")});
  add("Loop Mng.", {number("Loop Mng.", "PLL bandwidth(Hz):", "/par/raw/pll/band", "%lf", 2, 50,
                           "Invalid value for PLL bandwidth",
                           "Value out of range (2 .. 50) for PLL bandwidth", "Can't set PLL bandwidth value"),
                    number("Loop Mng.", "PLL order:", "/par/raw/pll/order", "%d", 0, 0,
                           "Invalid value for PLL order", "", "Can't set PLL order value"),
                    number("Loop Mng.", "C/A code guided loop bandwidth(Hz):", "/par/raw/cagdl/band", "%lf",
                           0.1, 50.0, "Invalid value for  C/A code GDL bandwidth",
                           "Value out of range (0.1 .. 50.0) for  C/A code GDL bandwidth",
                           "Can't send value for C/A code GDL bandwidth"),
                    check("Loop Mng.", "Enable Adaptive Guided Loops", "/par/raw/gdl/adapt",
                          "Can't enable/disable adaptive guided loops"),
                    check("Loop Mng.", "Enable P/L1 and P/L2 tracking", "/par/lock/pcode",
                          "Can't enable/disable P/L1 and P/L2 tracking")});
  add("Ext.Frequency",
      {frqMode,
       number("Ext.Frequency", "Input frequency (MHz):", "/par/frq/in/frq", "%lf", 5, 40, "",
              "Value out of range (5...40) for external frequency", "Can't set external frequency value"),
       readOnly("Ext.Frequency", "", "/par/frq/in/status"), readOnly("Ext.Frequency", "", "/par/frq/in/amp"),
       readOnly("Ext.Frequency", "", "/par/frq/out/frq"),
       choice("Ext.Frequency", "Oscillator Offset Reductor", "/par/osc/mode",
              pairs({"Off", "Freq. Locked", "Freq. and Time Locked"}, {"off", "locked", "tied"}),
              "Can't set oscillator offsets reduction mode")});
  add(raw,
      {number(raw, "Update Rate(ms):", "/par/raw/msint", "%d", 10, 5000, "",
              "Value out of range [10,5000] for raw measurements update rate",
              "Can't set raw measurements update rate"),
       readOnly(raw, "", "/par/raw/curmsint"),
       number(raw, "", "/par/pos/msint", "%d", 10, 5000, "",
              "Value out of range [10,5000] for position update rate", "Can't set position update rate"),
       readOnly(raw, "", "/par/pos/curmsint"),
       number(raw, "", "/par/raw/smi", "%d", 0, 900, "",
              "Value out of range [0,900] for code smooth interval", "Can't set code smooth interval"),
       number(raw, "", "/par/raw/dopp/smi", "%lf", 0.1, 100, "Invalid value for doppler smoothing method",
              "Value out of range [0.1,100] for doppler smoothing method",
              "Can't set doppler smoothing method"),
       number(raw, "", "/par/raw/iono/smi", "%d", 0, 900, "",
              "Value out of range [0,900] for iono nominal interval", "Can't set iono nominal interval"),
       number(raw, "", "/par/raw/iono/minsmi", "%d", 0, 900, "",
              "Value out of range [0,900] for minimum iomo interval", "Can't set minimum iomo interval")});
  return CPageModel("Advanced", std::move(t));
}

}  // namespace SetupPages
