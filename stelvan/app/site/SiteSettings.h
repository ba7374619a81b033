#pragma once
// The observation-site description stamped into the receiver's data as event records, its
// validation and its event commands. Plain data and functions; no widgets.
#include <string>
#include <vector>

struct SiteSettings {
  std::string name = "Site";
  std::string antennaHeight = "0";  // metres, as typed
  bool slant = false;               // height type: slant when set, vertical when clear
  int status = 0;                   // 0 "Fixed" (static), 1 "Moving" (dynamic)
  std::string antennaType = "UNKNOWN";
};

namespace SiteRules {

// "UNKNOWN" and the 23 antenna type codes, in list order.
const std::vector<std::string>& AntennaTypes();

// Checks typed values; on success `out` holds the trimmed values and the error is empty,
// otherwise the error is the status-line text and `field` names the control to focus.
struct Validation {
  std::string error;
  enum Field { None, Name, Height } field = None;
};
Validation Validate(const std::string& name, const std::string& height, SiteSettings& out);

// Appends the four site event commands to `commands`.
void AppendSiteEvents(const SiteSettings& site, std::vector<std::string>& commands);
// The script "Send to receiver" sends.
std::string SiteEventScript(const SiteSettings& site);

// Stores the site settings (section "Site").
void Save(const SiteSettings& site);

// Target position: degrees, minutes, seconds and hemisphere to radians and back.
double ToRadians(float degrees, float minutes, double seconds, bool negative, double modulo);
struct DmsText {
  int degrees = 0, minutes = 0;
  std::string seconds;  // "%7.5lf"
  bool negative = false;
};
DmsText FromRadians(double radians);

}  // namespace SiteRules
