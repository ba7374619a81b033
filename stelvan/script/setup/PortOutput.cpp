#include "PortOutput.h"

#include <algorithm>
#include <cstdio>

#include "ScriptText.h"

namespace PortOutput {

const std::vector<Preset>& presets() {
  static const std::vector<Preset> table = {
      {kNone, "%%", "", {}},
      {"DGPS RTCM {1,31,3}", "%%em,%s,rtcm{/1:%s,/31:%s,/3:10}", "rtcm", {"1", "31", "3"}},
      {"DGPS RTCM {9,34,3}", "%%em,%s,rtcm{/9:%s,/34:%s,/3:10}", "rtcm", {"9", "34", "3"}},
      {"RTK RTCM {18,19,22,3}", "%%em,%s,rtcm{/18:%s,/19:%s,/22:10,/3:10}", "rtcm", {"18", "19", "22", "3"}},
      {"RTK RTCM {20,21,22,3}", "%%em,%s,rtcm{/20:%s,/21:%s,/22:10,/3:10}", "rtcm", {"20", "21", "22", "3"}},
      {"RTK RTCM {18,19,23,24}",
       "%%em,%s,rtcm{/18:%s,/19:%s,/23:10,/24:10}",
       "rtcm",
       {"18", "19", "23", "24"}},
      {"RTK RTCM {20,21,23,24}",
       "%%em,%s,rtcm{/20:%s,/21:%s,/23:10,/24:10}",
       "rtcm",
       {"20", "21", "23", "24"}},
      {"RTK RTCM3 GD min", "%%em,%s,rtcm3{/1003:%s,/1006:10,/1008:10}", "rtcm3", {"1003", "1006", "1008"}},
      {"RTK RTCM3 GD full", "%%em,%s,rtcm3{/1004:%s,/1006:10,/1008:10}", "rtcm3", {"1004", "1006", "1008"}},
      {"RTK RTCM3 GGD min",
       "%%em,%s,rtcm3{/1003:%s,/1011:%s,/1006:10,/1008:10}",
       "rtcm3",
       {"1003", "1011", "1006", "1008"}},
      {"RTK RTCM3 GGD full",
       "%%em,%s,rtcm3{/1004:%s,/1012:%s,/1006:10,/1008:10}",
       "rtcm3",
       {"1004", "1012", "1006", "1008"}},
      {"RTK CMR {10,0,1}", "%%em,%s,cmr{/10:%s,/0:%s,/1:10}", "cmr", {"10", "0", "1"}},
      {"RTK CMR+ {10,0,9}", "%%em,%s,cmr{/10:%s,/0:%s,/9:1}", "cmr", {"10", "0", "9"}},
      // The receiver lists a ZRX group by the messages it stands for.
      {"RTK ZRX min", "%%em,%s,/msg/rtk/zrx/min:%s", "zrx", {"RT", "PG", "EE"}},
      {"RTK ZRX max",
       "%%em,%s,/msg/rtk/zrx/max:%s",
       "zrx",
       {"RT", "RD", "PG", "PO", "VE", "PV", "DP", "SG", "SI", "EL", "AZ", "EC", "TC", "SS", "EE"}},
      {kUserDefined, "", "", {}},
  };
  return table;
}

namespace {
std::vector<std::string> sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}
}  // namespace

Current recognise(const std::string& answer) {
  Current out;
  char format[64] = {}, body[4096] = {};
  int consumed = 0;
  if (std::sscanf(answer.c_str(), "%63[^=]={%4095[^}]}%n", format, body, &consumed) < 2) return out;
  // Items "/name:period" (another format's item carries its format: "nmea/GGA:1.00").
  std::vector<std::string> names;
  std::string firstPeriod;
  const std::string list = body;
  for (std::size_t start = 0; start <= list.size();) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    const std::string item = ScriptText::trim(list.substr(start, comma - start));
    start = comma + 1;
    if (item.empty()) continue;
    const std::size_t colon = item.find(':');
    std::string name = item.substr(0, colon);
    if (name.starts_with("/")) name.erase(0, 1);
    names.push_back(name);
    if (firstPeriod.empty() && colon != std::string::npos) firstPeriod = item.substr(colon + 1);
  }
  if (names.empty()) return out;
  const std::string fmt = ScriptText::lower(ScriptText::trim(format));
  out.preset = kUserDefined;
  for (const Preset& p : presets()) {
    if (p.names.empty() || ScriptText::lower(p.format) != fmt || sorted(p.names) != sorted(names)) continue;
    out.preset = p.shown;
    break;
  }
  if (!firstPeriod.empty()) out.period = firstPeriod;
  return out;
}

std::string command(const std::string& preset, const std::string& port, const std::string& period) {
  for (const Preset& p : presets()) {
    if (p.shown != preset || p.command.empty()) continue;
    // Only the "%s" places are filled: the "%%" in front is the command's own (empty)
    // identifier and goes out as it stands, as with every other "%%" command of the pages.
    const std::string args[] = {port, period, period};
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < p.command.size(); ++i) {
      if (p.command.compare(i, 2, "%s") == 0 && next < 3) {
        out += args[next++];
        ++i;
      } else {
        out += p.command[i];
      }
    }
    return out;
  }
  return {};
}

}  // namespace PortOutput
