#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "gridlink/CProfile.h"
#include "site/SiteSettings.h"

namespace SiteRules {
namespace {

std::string trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

const std::vector<std::string>& AntennaTypes() {
  static const std::vector<std::string> types = [] {
    std::vector<std::string> t = {"UNKNOWN"};
    // Model name padded to 16 characters, then the radome code.
    const char* const models[] = {"NHA-100", "NHA-100R", "NHA-110", "NHA-120", "NHA-200",   "NHA-200R",
                                  "NHA-210", "NHA-300",  "NHA-310", "NHA-400", "NHA-400CR", "NHA-500",
                                  "NHB-10",  "NHB-20",   "NHC-1",   "NHC-2",   "NHM-7",     "NHM-8",
                                  "NHP-3",   "NHP-4",    "NHR-50",  "NHR-60",  "NHX-900"};
    const char* const radomes[] = {"NONE", "NHDM", "SCIS"};
    int i = 0;
    for (const char* m : models) {
      char code[32];
      std::snprintf(code, sizeof code, "%-16s%s", m, radomes[i++ % 3]);
      t.emplace_back(code);
    }
    return t;
  }();
  return types;
}

Validation Validate(const std::string& name, const std::string& height, SiteSettings& out) {
  Validation v;
  const std::string n = trimmed(name), h = trimmed(height);
  if (n.empty()) {
    v.error = "Incorrect Site Name value";
    v.field = Validation::Name;
    return v;
  }
  char* end = nullptr;
  std::strtod(h.c_str(), &end);
  if (h.empty() || !end || *end != '\0') {
    v.error = "Incorrect Antenna Height value";
    v.field = Validation::Height;
    return v;
  }
  out.name = n;
  out.antennaHeight = h;
  return v;
}

void AppendSiteEvents(const SiteSettings& site, std::vector<std::string>& commands) {
  commands.push_back("%%event,\"_SIT=" + site.name + "\"");
  commands.push_back("%%event,\"_ANH=" + site.antennaHeight + (site.slant ? "S" : "") + "\"");
  commands.push_back(std::string("%%event,\"_DYM=") + (site.status == 1 ? "DYNAMIC" : "STATIC") + "\"");
  commands.push_back("%%event,\"_ANT=" + site.antennaType + "\"");
}

std::string SiteEventScript(const SiteSettings& site) {
  std::vector<std::string> events;
  AppendSiteEvents(site, events);
  std::string script = "@scr stoperrors\n";
  for (const std::string& e : events) script += e + "\n";
  return script + "@end\n";
}

void Save(const SiteSettings& site) {
  CProfile* p = CProfile::Instance();
  p->Write("Site", "AntennaType", site.antennaType.c_str());
  p->Write("Site", "SiteName", site.name.c_str());
  p->Write("Site", "AntenaHeight", site.antennaHeight.c_str());
  p->Write("Site", "HeightType", site.slant ? 1 : 0);
  p->Write("Site", "Status", site.status);
  p->Release();
}

double ToRadians(float degrees, float minutes, double seconds, bool negative, double modulo) {
  const double value = std::fmod(degrees + minutes / 60.0 + seconds / 3600.0, modulo) * 0.017453292519943295;
  return negative ? -value : value;
}

DmsText FromRadians(double radians) {
  DmsText d;
  const double deg = std::fabs(radians) * 57.29577951308232;
  d.degrees = static_cast<int>(std::floor(deg));
  const double minutes = (deg - d.degrees) * 60.0;
  d.minutes = static_cast<int>(std::floor(minutes));
  char buf[32];
  std::snprintf(buf, sizeof buf, "%7.5lf", (minutes - d.minutes) * 60.0);
  d.seconds = buf;
  d.negative = radians < 0;
  return d;
}

}  // namespace SiteRules
