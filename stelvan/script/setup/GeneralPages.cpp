// General and MinPad pages.
#include "ScriptText.h"
#include "SetupPages.h"

namespace SetupPages {

const std::array<const char*, 3> kPortsSlotsModels = {"NH-RCV-100", "NH-RCV-110", "NH-RCV-120"};
const std::array<const char*, 2> kBoardFamilies = {"KX-1", "KX-2"};
const char* const kModemBModel = "NH-RCV-200";
const char* const kDefaultPin = "0000";

using namespace Spec;

namespace {

ParamSpec voltage(const std::string& path) {
  ParamSpec s = readOnly("Voltages (volts)", path.substr(std::string("/par/pwr/").size()), path);
  s.plausible = true, s.lo = 1, s.hi = 30;
  return s;
}

void enableOnly(CPageModel& page, const std::vector<std::string>& keep, const std::vector<std::string>& all) {
  for (const std::string& p : all)
    if (std::find(keep.begin(), keep.end(), p) == keep.end())
      page.disable(static_cast<std::size_t>(page.indexOf(p)));
}

// The power output pair follows the model; some boards have no antenna input choice.
void generalRules(CPageModel& page) {
  const std::string model = page.at(static_cast<std::size_t>(page.indexOf("/par/rcv/model"))).value;
  const std::vector<std::string> outputs = {"/par/pwr/ports", "/par/pwr/slots",  "/par/out/ab",
                                            "/par/out/c",     "/par/pwr/out/ab", "/par/pwr/out/c"};
  const bool portsSlots =
      std::find(kPortsSlotsModels.begin(), kPortsSlotsModels.end(), model) != kPortsSlotsModels.end();
  if (model.empty())
    enableOnly(page, {"/par/pwr/out/ab", "/par/pwr/out/c"}, outputs);
  else if (portsSlots)
    enableOnly(page, {"/par/pwr/ports", "/par/pwr/slots"}, outputs);
  else
    enableOnly(page, {"/par/out/ab", "/par/out/c"}, outputs);
  const std::string board =
      ScriptText::lower(page.at(static_cast<std::size_t>(page.indexOf("/par/rcv/ver/board"))).value);
  for (const char* family : kBoardFamilies)
    if (board.find(ScriptText::lower(family)) != std::string::npos)
      page.disable(static_cast<std::size_t>(page.indexOf("/par/ant/inp")));
}

}  // namespace

CPageModel general() {
  const auto offOnAlways = pairs({"Off", "On", "Always"}, {"off", "on", "always"});
  const auto offOn = pairs({"Off", "On"}, {"off", "on"});
  ParamSpec thermo = readOnly("Temperature (Celsius degrees)", "", "/par/dev/thermo/out");
  thermo.plausible = true, thermo.lo = -40, thermo.hi = 80;
  ParamSpec chdc = readOnly("Charger", "", "/par/pwr/chdc");
  chdc.print = "%3.3f", chdc.divisor = 1000, chdc.plausible = true, chdc.lo = -1e9, chdc.hi = 5;
  std::vector<ParamSpec> t = {
      number("Terminal Elv. Mask:", "", "/par/out/elm/cur/term", "%d", 0, 0, "", "",
             "Can't set elevation mask for terminal"),
      choice("Antenna", "", "/par/ant/inp", pairs({"Internal", "External", "Auto"}, {"int", "ext", "auto"}),
             "Can't set antenna input mode"),
      hidden("/par/rcv/ver/board"),
      readOnly("Antenna Status", "", "/par/ant/curinp"),
      readOnly("Antenna Status", "", "/par/ant/dc"),
      thermo,
      choice("Power", "", "/par/pwr/mode",
             pairs({"Auto", "Mix", "Battery A", "Battery B", "External"}, {"auto", "mix", "a", "b", "ext"}),
             "Can't set power mode"),
      readOnly("Power", "", "/par/pwr/curmode"),
      choice("Charger", "", "/par/pwr/charge/bat",
             pairs({"Off", "Charge A", "Charge B", "Auto"}, {"off", "a", "b", "auto"}),
             "Can't set charger mode"),
      choice("Charger", "", "/par/pwr/charge/speed", pairs({"Normal", "Fast"}, {"normal", "fast"}),
             "Can't set charger speed"),
      readOnly("Charger", "", "/par/pwr/charge/curbat"),
      chdc,
      voltage("/par/pwr/ext"),
      voltage("/par/pwr/board"),
      voltage("/par/pwr/bat/a"),
      voltage("/par/pwr/bat/b"),
      voltage("/par/pwr/charger"),
      voltage("/par/pwr/extports"),
      check("Power management", "Enable Low Power Mode", "/par/lpm", "Can't set Low Power Mode"),
      hidden("/par/rcv/model"),
      choice("Power output modes", "Ports:", "/par/pwr/ports", offOnAlways,
             "Can't set power mode on serial ports"),
      choice("Power output modes", "Slots:", "/par/pwr/slots", offOnAlways, "Can't set power mode on slots"),
      choice("Power output modes", "Ports A,B:", "/par/out/ab", offOn, "Can't set 'Power ON' on ports A,B"),
      choice("Power output modes", "Port C:", "/par/out/c", offOn, "Can't set 'Power ON' on port C"),
      choice("Power output modes", "Ports A,B:", "/par/pwr/out/ab", offOn,
             "Can't set 'Power ON' on ports A,B"),
      choice("Power output modes", "Port C:", "/par/pwr/out/c", offOn, "Can't set 'Power ON' on port C"),
      check("Turn on/off Slot", "Slot 2(C)", "/par/pwr/switch/2", "Can't change slot 2 mode"),
      check("Turn on/off Slot", "Slot 3(B)", "/par/pwr/switch/3", "Can't change slot 3 mode"),
      check("Turn on/off Slot", "Slot 4(D)", "/par/pwr/switch/4", "Can't change slot 4 mode"),
  };
  return CPageModel("General", std::move(t), generalRules);
}

CPageModel minPad() {
  ParamSpec interval =
      number("Log file", "Rec. interval(s):", "/par/log/sc/period", "%lf", 0, 0,
             "Invalid Recording interval (MINTER) value", "", "Can't set recording interval for MinPad");
  interval.outputPeriod = true;
  const std::string afrm = "Automatic File Rotation Mode (AFRM) ";
  std::vector<ParamSpec> t = {
      interval,
      number("Log file", "Elv.mask for Log file(d):", "/par/out/elm/cur/log", "%d", 0, 0,
             "Invalid Elevation mask for Log file", "", "Can't set Elevation mask for Log file"),
      quoted("Log file", "File name prefix:", "/par/cmd/create/prefix",
             "Can't set file name prefix for MinPad"),
      check("Log file", "Always append to file:", "/par/button/file", "Can't set file name for MinPad"),
      choice("AFRM", "Files Creation mode", "/par/button/rot", pairs({"Log file", "AFRM"}, {"off", "on"}),
             "Can't set Files Creation mode"),
      number(afrm, "Period(s):", "/par/log/rot/sc/period", "%lf", 0, 0, "Invalid AFRM period", "",
             "Can't set AFRM period"),
      number(afrm, "Phase(s):", "/par/log/rot/sc/phase", "%lf", 0, 0, "Invalid AFRM phase", "",
             "Can't set AFRM phase"),
      number(afrm, "Files(total):", "/par/log/rot/sc/count", "%d", 0, 0, "", "",
             "Can't set total number of AFRM files"),
      readOnly(afrm, "Files(remain):", "/par/log/rot/count"),
      check(afrm, "Automatically remove old file", "/par/log/rot/rmold",
            "Can't set 'removing old AFRM files' mode"),
      choice("FN key mode", "", "/par/button/action", pairs({"LED blink", "Occupation"}, {"led", "dyn"}),
             "Can't set FN key mode"),
      choice("Initial data collection dinamic mode", "", "/par/button/dyn",
             pairs({"Static", "Kinematic"}, {"static", "dynamic"}), "Can't set initial post-processing mode"),
      choice("Data recording auto-start", "", "/par/button/auto",
             pairs({"Off", "On", "Always"}, {"off", "on", "always"}), "Can't set auto-start mode"),
  };
  return CPageModel("MinPad", std::move(t));
}

std::vector<CPageModel> all() {
  return {general(), minPad(), positioning(), base(), rover(), ports(), event(), advanced()};
}

}  // namespace SetupPages
