#include "about/ReceiverReport.h"

namespace about {

const std::vector<ReportLine>& reportLines() {
  static const std::vector<ReportLine> lines = {
      {"Receiver model:\t", "print,/par/rcv/model"},
      {"Receiver S/N:\t", "print,/par/rcv/sn"},
      {"Receiver ID:\t", "print,/par/rcvid"},
      {"Firmware version:\t", "print,/par/version/main"},
      {"RTK support:\t", "print,/par/pos/pd/reset"},
      {"Mainboard version:\t", "print,/par/rcv/ver/board"},
      {"RAM size(kb):\t", "print,/par/rcv/mem"},
      {"Antenna input:\t", "print,/par/ant/curinp"},
      {"Internal modem:\t", "print,/par/rcv/ver/modem"},
      {"Power supply(v):\t", "print,/par/pwr/ext"},
      {"Ext. Ant. DC status:\t", "print,/par/ant/dc"},
      {"-------------------- Charger -------------------------------", nullptr},
      {"Power source:\t", "print,/par/pwr/mode"},
      {"Power cur.source:\t", "print,/par/pwr/curmode"},
      {"Battery A(v):\t", "print,/par/pwr/bat/a"},
      {"Battery B(v):\t", "print,/par/pwr/bat/b"},
      {"On board(v):\t", "print,/par/pwr/board"},
      {"Charger(v):\t", "print,/par/pwr/charger"},
      {"Charger status:\t", "print,/par/pwr/charge/bat"},
      {"Charger cur.status:\t", "print,/par/pwr/charge/curbat"},
      {"Charger speed:\t", "print,/par/pwr/charge/speed"},
      {"Charger cur.speed:\t", "print,/par/pwr/charge/curspeed"},
      {"-------------------- Power ---------------------------------", nullptr},
      {"Digital part 3.3V:\t", "print,/par/pwr/d3v"},
      {"Analog part 3.3V:\t", "print,/par/pwr/a3v"},
      {"Digital part 5V:\t", "print,/par/pwr/d5v"},
      {"Analog part 5V:\t", "print,/par/pwr/a5v"},
      {"Temperature(\xB0"
       "C):\t",
       "print,/par/dev/thermo/out"},
      {"-------------------- Flash info ----------------------------", nullptr},
      {"Flash memory size(b): ", "print,/par/dev/blk/a/size"},
      {"Flash memory free(b): ", "print,/par/dev/blk/a/free"},
      {"Number of files:\t", "print,/par/dev/blk/a/files"},
      {"Block size(b):\t", "print,/dev/blk/a&block_size"},
      {"Blocks for files:\t", "print,/dev/blk/a&blocks"},
      {"Bad blocks:\t", "print,/par/dev/blk/a/bad_blocks"},
      {"Write verify:\t", "print,/par/dev/blk/a/verify"},
      {"------------------------------------------------------------", nullptr},
      {"Current port:\t", "print,/cur/term"},
      {"Time from last reset:\t", "print,/par/rcv/uptime"},
      {"Hardware version:\t", "print,/par/rcv/ver/hw"},
      {"Boot loader version: ", "print,/par/rcv/ver/boot"},
      {"Wait states:\t ", "print,/par/rcv/flash/waitstates"},
      {"-------------------- Certification -------------------------", nullptr},
      {"FCC ID(GSM):\t", "print,/par/modem/c/inf/dev/fccid"},
      {"IC        (GSM):\t", "print,/par/modem/c/inf/dev/ic"},
      {"FCC ID(UHF):\t", "print,/par/modem/c/uhf/inf/fccid"},
      {"IC        (UHF):\t", "print,/par/modem/c/uhf/inf/ic"},
      {"FCC ID(BLT):\t", "print,/par/blt/inf/fccid"},
      {"IC        (BLT):\t", "print,/par/blt/inf/ic"},
      {"FCC ID(WIFI):\t", "print,/par/net/wlan/inf/fccid"},
      {"IC        (WIFI):\t", "print,/par/net/wlan/inf/ic"},
  };
  return lines;
}

std::string reportScript() {
  std::string s = "@scr stoperrors off\n";
  for (const ReportLine& l : reportLines())
    if (l.command) s += std::string(l.command) + "\n";
  return s + "@end\n";
}

std::string buildReport(const std::vector<std::optional<std::string>>& answers) {
  std::string out;
  std::size_t next = 0;
  for (const ReportLine& l : reportLines()) {
    out += l.text;
    if (l.command) {
      const std::optional<std::string>& a = next < answers.size() ? answers[next] : std::nullopt;
      out += a && !a->empty() ? *a : "<unknown>";
      ++next;
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace about
