// Positioning, Base and Rover pages.
#include "ScriptText.h"
#include "SetupPages.h"

namespace SetupPages {

using namespace Spec;

namespace {

std::vector<std::string> numbered(int first, int last) {
  std::vector<std::string> out;
  for (int n = first; n <= last; ++n) out.push_back(std::to_string(n));
  return out;
}

// Satellite lock and use lists go out as "set," without the "%%" and with "y"/"n".
ParamSpec satellites(const std::string& section, const std::string& label, const std::string& path,
                     std::vector<std::string> members, const std::string& refused) {
  ParamSpec s = group(section, label, path, std::move(members), refused, "y", "n");
  s.prefix = "";
  return s;
}

constexpr std::array<const char*, 12> kSourcePorts = {
    "/dev/ser/a", "/dev/ser/b", "/dev/ser/c", "/dev/ser/d", "/dev/tcp/a", "/dev/tcp/b",
    "/dev/tcp/c", "/dev/tcp/d", "/dev/tcp/e", "/dev/usb/a", "/dev/blt/a", "/dev/modem/a"};

std::vector<ParamChoice> sources() {
  std::vector<ParamChoice> out;
  for (const char* p : kSourcePorts) out.push_back({p, p});
  return out;
}

// Corrections come in only through a port that takes them.
void roverRules(CPageModel& page) {
  std::vector<ParamChoice> offered;
  for (const char* p : kSourcePorts) {
    const int at = page.indexOf(std::string("/par") + p + "/imode");
    const std::string mode =
        at < 0 ? std::string() : ScriptText::lower(page.at(static_cast<std::size_t>(at)).value);
    if (mode == "rtcm" || mode == "rtcm3" || mode == "cmr" || mode == "omni") offered.push_back({p, p});
  }
  for (const char* source : {"/par/pos/pd/port", "/par/pos/cd/port"})
    page.offer(static_cast<std::size_t>(page.indexOf(source)), offered);
}

}  // namespace

CPageModel positioning() {
  const auto modes = pairs({"Standalone", "DGPS (Code Diff.)", "WD (SBAS Diff.)", "RTK Float", "RTK Fixed"},
                           {"sp", "cd", "wd", "pf", "pd"});
  ParamSpec meas = choice("Meas. Used", "", "/par/pos/sp/meas",
                          pairs({"CA/L1", "P/L1", "P/L2", "lono-Free"}, {"ca", "p1", "p2", "ionofree"}),
                          "Can't set Used Measurements mode");
  meas.applyPath = "/par/pos/meas";
  ParamSpec iono = check("Meas. Used", "lono-Correction", "/par/pos/sp/iono",
                         "Can't set Ionospheric errors correction mode");
  iono.applyPath = "/par/pos/iono", iono.scriptPath = "/par/pos/sp/iono";
  ParamSpec tropo = check("Meas. Used", "Tropo-Correction", "/par/pos/sp/tropo",
                          "Can't set Tropospheric errors correction mode");
  tropo.applyPath = "/par/pos/tropo", tropo.scriptPath = "/par/pos/sp/tropo";
  std::vector<ParamSpec> t = {
      choice("Positioning Mode", "", "/par/pos/mode/cur", modes, "Can't set positioning mode"),
      hidden("/par/pos/pd/reset"),
      check("Enable Solutions", "Standalone", "/par/pos/mode/sp", "Can't set Standalone solution mode"),
      check("Enable Solutions", "DGPS (Code Diff.)", "/par/pos/mode/cd",
            "Can't set Code Differential solution mode"),
      check("Enable Solutions", "RTK Float", "/par/pos/mode/pf", "Can't set Phase Float solution mode"),
      check("Enable Solutions", "RTK Fixed", "/par/pos/mode/pd", "Can't set Phase Fixed solution mode"),
      number("Positioning Masks", "Elv. mask(d): ", "/par/pos/elm", "%d", 0, 0,
             "Invalid Positioning Elevation mask", "", "Can't set Positioning Elevation mask"),
      number("Positioning Masks", "PDOP mask:", "/par/pos/pdop", "%lf", 0, 0, "Invalid Positioning PDOP mask",
             "", "Can't set Positioning PDOP mask"),
      group("Pos. System", "", "/par/pos/sys", {"GPS", "GLONASS", "GAL", "SBAS"},
            "Can't set Positioning System"),
      check("Positioning Masks", "RAIM Enabled", "/par/pos/raim/mode", "Can't set RAIM Enabled mode"),
      choice("Positioning Masks", "Alarm:", "/par/pos/raim/al/mode",
             pairs({"Manual", "Non-precision", "Terminal", "En route"}, {"manual", "npa", "ter", "enr"}),
             "Can't set RAIM Alarm mode"),
      number("Positioning Masks", "Alarm limit(m):", "/par/pos/raim/al/manual", "%lf", 0, 0, "", "",
             "Can't set RAIM Alarm Limit mode"),
      meas,
      hidden("/par/lock/pcode"),
      iono,
      tropo,
      choice("Datum Parameters", "Cur. Datum:", "/par/pos/datum/cur",
             pairs({"W84", "P90", "USER", "SK42", "SK95"}, {"W84", "P90", "USER", "SK42", "SK95"}),
             "Can't set current datum for position computation"),
  };
  auto tab = [&](const std::string& name, std::vector<ParamSpec> specs) {
    for (ParamSpec& s : onTab(name, std::move(specs))) t.push_back(std::move(s));
  };
  tab("GPS",
      {satellites("GPS", "lock", "/par/lock/gps/sat", numbered(1, 32), "Can't set GPS satellites to Lock"),
       satellites("GPS", "use", "/par/pos/gps/sat", numbered(1, 32), "Can't set GPS satellites to Use")});
  tab("GLONASS",
      {satellites("GLONASS", "lock", "/par/lock/glo/fcn", numbered(-7, 12), "Can't set GLONASS FCNs to Lock"),
       satellites("GLONASS", "use", "/par/pos/glo/fcn", numbered(-7, 12), "Can't set GLONASS FCNs to Use"),
       satellites("GLONASS", "Slot Number", "/par/pos/glo/sat", numbered(1, 24),
                  "Can't set GLONASS Satellites to Use")});
  tab("GALILEO", {satellites("GALILEO", "lock", "/par/lock/gal/sat", numbered(1, 30), ""),
                  satellites("GALILEO", "use", "/par/pos/gal/sat", numbered(1, 30), "")});
  tab("SBAS", {satellites("SBAS", "lock", "/par/lock/sbas/sat", numbered(120, 138),
                          "Can't set SBAS satellites to Lock"),
               satellites("SBAS", "use", "/par/pos/sbas/sat", numbered(120, 138),
                          "Can't set SBAS satellites to Use")});
  return CPageModel("Positioning", std::move(t));
}

CPageModel base() {
  const std::string coords = "Base Station Coordinates (Antenna Phase Center)";
  const std::string geo = "Reference Geodetic coordinates";
  ParamSpec desc = editGroup("CMR Setting", "", "/par/cmr/base/desc", {"Short ID:", "COGO:", "Long ID:"},
                             "Can't set CMR base descrition parameters");
  desc.quoted = true;
  std::vector<ParamSpec> t = {
      check(coords, "Averaged", "/par/ref/avg/mode", "Can't set reference position averaging mode"),
      number(coords, "Avg. Span(s):", "/par/ref/avg/span", "%d", 0, 0, "", "",
             "Can't set reference position averaging span"),
      editGroup(geo, "GPS", "/par/ref/pos/gps/geo", {"Datum:", "Lat:", "Lon:", "Alt:"},
                "Can't set Base reference position"),
      editGroup(geo, "GLONASS", "/par/ref/pos/glo/geo", {"Datum:", "Lat:", "Lon:", "Alt:"},
                "Can't set Base reference position"),
      editGroup(coords, "", "/par/ref/ant/l2_l1", {"East:", "North:", "Height:"},
                "Can't set antenna phase center offsets"),
      number("RTCM Settings", "Station ID:", "/par/rtcm/base/stid", "%d", 0, 0, "", "",
             "Can't set RTCM Base Station ID"),
      number("RTCM Settings", "Max.number\nof Satellites:", "/par/rtcm/base/svm", "%d", 0, 0, "", "",
             "Can't set max. number of satellites"),
      choice("RTCM Settings", "Health:", "/par/rtcm/base/health",
             pairs({"Good", "Bad", "Unknown"}, {"good", "bad", "unknown"}), "Can't set base health mode"),
      check("RTCM Settings", "CA/L1", "/par/rtcm/base/meas/ca",
            "Can't set RTCM C/A measurements sending mode"),
      check("RTCM Settings", "P/L1", "/par/rtcm/base/meas/p1", "Can't set RTCM P1 measurements sending mode"),
      check("RTCM Settings", "P/L2", "/par/rtcm/base/meas/p2", "Can't set RTCM P2 measurements sending mode"),
      group("RTCM Settings", "System Used", "/par/rtcm/base/sys", {"GPS", "GLONASS"},
            "Can't set system used in RTCM messages"),
      check("RTCM Settings", "Pseudo-range smoothing", "/par/rtcm/base/smooth",
            "Can't set pseudo-range smoothing mode"),
      number("CMR Setting", "Station ID:", "/par/cmr/base/stid", "%d", 0, 0, "", "",
             "Can't set CMR Base Station ID"),
      choice("CMR Setting", "Motion:", "/par/cmr/base/motion",
             pairs({"Unknown", "Static", "Kinematic"}, {"unknown", "static", "kinematic"}),
             "Can't set CMR Base motion mode"),
      choice("CMR Setting", "", "/par/cmr/base/pcode", pairs({"CA/L1", "P/L1"}, {"off", "on"}),
             "Can't set CMR C/A or P1 measurements sending mode"),
      check("CMR Setting", "P/L2", "/par/cmr/base/meas/p2", "Can't set CMR P2 measurements sending mode"),
      edit("CMR Setting", "GLONASS msg.:", "/par/cmr/base/glo/type",
           "Can't set Base CMR base GLONASS message type"),
      desc,
  };
  return CPageModel("Base", std::move(t));
}

CPageModel rover() {
  const auto modes = pairs({"Standalone", "DGPS(Code Diff.)", "WD (SBAS Diff.)", "RTK Float", "RTK Fixed"},
                           {"sp", "cd", "wd", "pf", "pd"});
  std::vector<ParamSpec> t;
  for (const char* p : kSourcePorts) t.push_back(hidden(std::string("/par") + p + "/imode"));
  std::vector<ParamSpec> params = {
      choice("Positioning Mode", "", "/par/pos/mode/cur", modes, "Can't set rover positioning mode"),
      check("Enable Solutions", "Standalone", "/par/pos/mode/sp", "Can't set Standalone solution mode"),
      check("Enable Solutions", "DGPS(Code Diff.)", "/par/pos/mode/cd", "Can't set Code Diff. solution mode"),
      check("Enable Solutions", "RTK Float", "/par/pos/mode/pf", "Can't set Rover Float solution mode"),
      check("Enable Solutions", "RTK Fixed", "/par/pos/mode/pd", "Can't set Rover Fixed solution mode"),
      hidden("/par/pos/pd/reset"),
      choice("RTK Mode", "", "/par/pos/pd/mode", pairs({"Extrapolation", "Delay"}, {"extrap", "delay"}),
             "Can't set RTK mode"),
      choice("Dynamics", "", "/par/pos/pd/dyn", pairs({"Static", "Kinematic"}, {"0.0", "1.0"}),
             "Can't set static/dynamic RTK"),
      choice("Ambiquity fix.lev.", "", "/par/pos/pd/aflevel",
             pairs({"Low", "Medium", "High"}, {"low", "medium", "high"}), "Can't set ambiguity fixing level"),
      check("Measurements Used", "CA/L1", "/par/pos/pd/meas/ca", "Can't set CA measurements usage"),
      check("Measurements Used", "P/L1", "/par/pos/pd/meas/p1", "Can't set P1 measurements usage"),
      check("Measurements Used", "P/L2", "/par/pos/pd/meas/p2", "Can't set P2 measurements usage"),
      check("RTK Parameters", "Use old ref. coordinates", "/par/pos/pd/ref/keep",
            "Can't set Usage old Ref. Coordinates mode"),
      number("RTK Parameters", "Base Corrections\nperiod(s):", "/par/pos/pd/period", "%lf", 0, 0, "", "",
             "Can't set Correction update interval"),
      choice("RTK Parameters", "Source:", "/par/pos/pd/port", sources(),
             "Can't set  Phase differential port source"),
      edit("CMR Settings", "GLONASS message:", "/par/cmr/rover/glo/type",
           "Can't set Rover CMR GLONASS message type"),
      choice("Corrections Usage", "", "/par/pos/cd/src/mode",
             pairs({"User", "Best", "Nearest", "Any"}, {"user", "best", "nearest", "any"}),
             "Can't set Mix differential corrections/positioning usage"),
      number("DGPS Parameters", "CD Corrections\nmax.age(s):", "/par/pos/cd/maxage", "%d", 0, 0, "", "",
             "Can't send RTCM max. age"),
      number("DGPS Parameters", "lono Corrections\nmax.age(s):", "/par/pos/cd/iono/maxage", "%d", 0, 0, "",
             "", "Can't send Iono max. age"),
      check("DGPS Parameters", "Use lono Corrections", "/par/pos/cd/ionofree",
            "Can't set iono correction usage"),
      choice("DGPS Parameters", "Source:", "/par/pos/cd/port", sources(), "Can't set  DGPS port source"),
      number("Corrections Usage", "Station ID:", "/par/pos/cd/src/usersrc", "%d", 0, 0, "", "",
             "Can't set Station ID"),
  };
  for (ParamSpec& p : params) t.push_back(std::move(p));
  return CPageModel("Rover", std::move(t), roverRules);
}

}  // namespace SetupPages
