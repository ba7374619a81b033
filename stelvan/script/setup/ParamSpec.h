#pragma once
// One receiver parameter of a configuration page, as data: where it lives, how it is shown,
// which values it takes, how its text is checked and which message a refusal gives.
#include <string>
#include <vector>

enum class ParamKind {
  Edit,        // free text or a number (see scan)
  Choice,      // combo box or radio group: shown texts with parallel receiver values
  Check,       // check box: choices[0] is the "set" value, choices[1] the "clear" value
  CheckGroup,  // check boxes sent together as "{v,v,...}"; members name the boxes
  EditGroup,   // edits sent together as "{t,t,...}"; members name the edits
  ReadOnly,    // shown, never sent nor saved
  Output,      // a port's output: preset and period, sent as "%%dm," + port and the preset's command
};

struct ParamChoice {
  std::string shown, value;
};

struct ParamSpec {
  std::string tab;      // sub-tab of the page ("" : the page itself)
  std::string section;  // group box the control sits in
  std::string label;
  std::string path;  // read with "print," + path
  ParamKind kind = ParamKind::Edit;
  std::vector<ParamChoice> choices;
  std::vector<std::string> members;  // CheckGroup box labels

  // Edits: "" free text, "%d" integer, "%lf" number, "%d.%d.%d.%d" IP address,
  // "%x:%x:%x:%x:%x:%x" MAC address; lo..hi bounds numbers when ranged.
  std::string scan;
  bool ranged = false;
  double lo = 0, hi = 0;
  bool outputPeriod = false;  // seconds, checked against the receiver's current intervals

  // Read-only numbers: shown with print (of value / divisor); outside lo..hi when plausible
  // is set the value is emptied and the control disabled.
  std::string print;
  double divisor = 1;
  bool plausible = false;

  bool hidden = false;          // read for the page's own rules, not shown
  bool derived = false;         // not read: the page's rules fill it from other answers
  bool cmdFirst = false;        // an input mode other than "cmd" goes out after "cmd" is set
  std::string mask;             // a text shown in place of the value: not sent, not saved
  std::string gate;             // a masked edit sent only when this one's text is not its mask
  bool quoted = false;          // sent in double quotes (each member of an edit group)
  bool quotedInScript = false;  // sent bare, saved in double quotes
  std::string prefix = "%%";    // before "set," when applied
  std::string applyPath;        // "" : path
  std::string scriptPath;       // "" : the apply path
  std::string port;             // the port this control configures ("/dev/ser/a"), if any

  std::string badText;    // the text does not scan
  std::string rangeText;  // the number is out of lo..hi
  std::string refused;    // the receiver refused the set

  const std::string& sendPath() const { return applyPath.empty() ? path : applyPath; }
  const std::string& savePath() const { return scriptPath.empty() ? sendPath() : scriptPath; }
};

// Builders that keep the tables short.
namespace Spec {
ParamSpec edit(std::string section, std::string label, std::string path, std::string refused);
ParamSpec quoted(std::string section, std::string label, std::string path, std::string refused);
ParamSpec number(std::string section, std::string label, std::string path, std::string scan, double lo,
                 double hi, std::string badText, std::string rangeText, std::string refused);
ParamSpec choice(std::string section, std::string label, std::string path, std::vector<ParamChoice> choices,
                 std::string refused);
ParamSpec check(std::string section, std::string label, std::string path, std::string refused,
                std::string on = "on", std::string off = "off");
ParamSpec group(std::string section, std::string label, std::string path, std::vector<std::string> members,
                std::string refused, std::string on = "on", std::string off = "off");
ParamSpec editGroup(std::string section, std::string label, std::string path,
                    std::vector<std::string> members, std::string refused);
ParamSpec readOnly(std::string section, std::string label, std::string path);
ParamSpec hidden(std::string path);
// The output preset and period of `port` (read with "print,/par/out" + port + ":on").
ParamSpec output(std::string section, const std::string& port);
// A read-only value the page's rules work out from other answers.
ParamSpec derived(std::string section, std::string label, std::string name);
// The same specs placed on a sub-tab.
std::vector<ParamSpec> onTab(const std::string& tab, std::vector<ParamSpec> specs);
// Choices whose shown texts and values pair up in order.
std::vector<ParamChoice> pairs(std::vector<std::string> shown, std::vector<std::string> values);
}  // namespace Spec
