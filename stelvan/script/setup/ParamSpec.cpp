#include "ParamSpec.h"

namespace Spec {

ParamSpec edit(std::string section, std::string label, std::string path, std::string refused) {
  ParamSpec s;
  s.section = std::move(section);
  s.label = std::move(label);
  s.path = std::move(path);
  s.refused = std::move(refused);
  return s;
}

ParamSpec quoted(std::string section, std::string label, std::string path, std::string refused) {
  ParamSpec s = edit(std::move(section), std::move(label), std::move(path), std::move(refused));
  s.quoted = true;
  return s;
}

ParamSpec number(std::string section, std::string label, std::string path, std::string scan, double lo,
                 double hi, std::string badText, std::string rangeText, std::string refused) {
  ParamSpec s = edit(std::move(section), std::move(label), std::move(path), std::move(refused));
  s.scan = std::move(scan);
  s.ranged = lo < hi;
  s.lo = lo;
  s.hi = hi;
  s.badText = std::move(badText);
  s.rangeText = std::move(rangeText);
  return s;
}

ParamSpec choice(std::string section, std::string label, std::string path, std::vector<ParamChoice> choices,
                 std::string refused) {
  ParamSpec s = edit(std::move(section), std::move(label), std::move(path), std::move(refused));
  s.kind = ParamKind::Choice;
  s.choices = std::move(choices);
  return s;
}

ParamSpec check(std::string section, std::string label, std::string path, std::string refused, std::string on,
                std::string off) {
  ParamSpec s = edit(std::move(section), std::move(label), std::move(path), std::move(refused));
  s.kind = ParamKind::Check;
  s.choices = {{"", std::move(on)}, {"", std::move(off)}};
  return s;
}

ParamSpec group(std::string section, std::string label, std::string path, std::vector<std::string> members,
                std::string refused, std::string on, std::string off) {
  ParamSpec s = check(std::move(section), std::move(label), std::move(path), std::move(refused),
                      std::move(on), std::move(off));
  s.kind = ParamKind::CheckGroup;
  s.members = std::move(members);
  return s;
}

ParamSpec editGroup(std::string section, std::string label, std::string path,
                    std::vector<std::string> members, std::string refused) {
  ParamSpec s = edit(std::move(section), std::move(label), std::move(path), std::move(refused));
  s.kind = ParamKind::EditGroup;
  s.members = std::move(members);
  return s;
}

ParamSpec hidden(std::string path) {
  ParamSpec s = readOnly("", "", std::move(path));
  s.hidden = true;
  return s;
}

ParamSpec output(std::string section, const std::string& port) {
  ParamSpec s = edit(std::move(section), "", "/par/out" + port + ":on", "Can't set output mode for " + port);
  s.kind = ParamKind::Output;
  s.port = port;
  s.scan = "%lf";
  s.outputPeriod = true;
  s.badText = "Invalid messages output period for " + port;
  return s;
}

ParamSpec derived(std::string section, std::string label, std::string name) {
  ParamSpec s = readOnly(std::move(section), std::move(label), std::move(name));
  s.derived = true;
  return s;
}

std::vector<ParamSpec> onTab(const std::string& tab, std::vector<ParamSpec> specs) {
  for (ParamSpec& s : specs) s.tab = tab;
  return specs;
}

ParamSpec readOnly(std::string section, std::string label, std::string path) {
  ParamSpec s = edit(std::move(section), std::move(label), std::move(path), "");
  s.kind = ParamKind::ReadOnly;
  return s;
}

std::vector<ParamChoice> pairs(std::vector<std::string> shown, std::vector<std::string> values) {
  std::vector<ParamChoice> out;
  for (std::size_t i = 0; i < shown.size() && i < values.size(); ++i) out.push_back({shown[i], values[i]});
  return out;
}

}  // namespace Spec
