#include "CPageModel.h"

#include <cstdio>
#include <cstdlib>

#include "OutputPeriod.h"
#include "PortOutput.h"
#include "QueryAnswers.h"
#include "ScriptText.h"

namespace {
std::string unquote(const std::string& s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

std::vector<std::string> listItems(std::string s) {
  if (!s.empty() && s.front() == '{') s.erase(0, 1);
  if (!s.empty() && s.back() == '}') s.pop_back();
  std::vector<std::string> items;
  std::size_t start = 0;
  for (std::size_t comma; (comma = s.find(',', start)) != std::string::npos; start = comma + 1)
    items.push_back(ScriptText::trim(s.substr(start, comma - start)));
  items.push_back(ScriptText::trim(s.substr(start)));
  return items;
}

// The whole text must scan; "%d" and "%lf" also yield the number.
bool scans(const std::string& scan, const std::string& text, double& number) {
  if (scan == "%d" || scan == "%lf") {
    char* end = nullptr;
    const char* begin = text.c_str();
    if (scan == "%d")
      number = static_cast<double>(std::strtol(begin, &end, 10));
    else
      number = std::strtod(begin, &end);
    return !text.empty() && end && *end == '\0';
  }
  int consumed = -1;
  unsigned a[6] = {};
  if (scan == "%d.%d.%d.%d") {
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u%n", &a[0], &a[1], &a[2], &a[3], &consumed) != 4) return false;
    return consumed == static_cast<int>(text.size()) && a[0] < 256 && a[1] < 256 && a[2] < 256 && a[3] < 256;
  }
  if (scan == "%x:%x:%x:%x:%x:%x")
    return std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x%n", &a[0], &a[1], &a[2], &a[3], &a[4], &a[5],
                       &consumed) == 6 &&
           consumed == static_cast<int>(text.size());
  return true;
}
}  // namespace

CPageModel::CPageModel(std::string name, std::vector<ParamSpec> specs, Rule afterLoad)
    : name_(std::move(name)),
      specs_(std::move(specs)),
      values_(specs_.size()),
      afterLoad_(std::move(afterLoad)) {}

int CPageModel::indexOf(std::string_view path) const {
  for (std::size_t i = 0; i < specs_.size(); ++i)
    if (specs_[i].path == path) return static_cast<int>(i);
  return -1;
}

std::string CPageModel::readScript() const {
  std::vector<std::string> paths;
  for (const ParamSpec& s : specs_)
    if (!s.derived) paths.push_back(s.path);
  return QueryAnswers::script(paths);
}

std::string CPageModel::read(ICommandSender& sender) {
  std::string failure;
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::string reply;
    // A script of prints takes as long as the receiver needs; the link bounds each line.
    const bool sent = sender.SendCommand(readScript(), 0, reply);
    std::vector<std::string> answers = QueryAnswers::parse(reply);
    // A script whose every line was refused still answered; one cut short by a silent
    // receiver (its last line a time-out, or no reply at all) did not.
    const bool stalled = !sent && (answers.empty() || reply.find("ER:Receiver reply timeout!") != std::string::npos);
    if (!stalled) {
      load(answers);
      return {};
    }
    failure = std::string(kNoReply) + " (" + readPath(answers.size()) + ")";
  }
  return failure;
}

std::string CPageModel::readPath(std::size_t answerIndex) const {
  std::size_t k = 0;
  for (const ParamSpec& s : specs_) {
    if (s.derived) continue;
    if (k++ == answerIndex) return s.path;
  }
  return name_;
}

void CPageModel::load(const std::vector<std::string>& answers) {
  std::size_t k = 0;  // answers belong to the parameters that are read, in order
  for (std::size_t i = 0; i < specs_.size(); ++i) {
    Value& v = values_[i];
    const std::string* answer = !specs_[i].derived && k < answers.size() ? &answers[k] : nullptr;
    if (!specs_[i].derived) ++k;
    v.enabled = answer && !answer->empty();
    v.value = v.enabled ? normalise(i, *answer) : std::string();
    const ParamSpec& s = specs_[i];
    if (v.enabled && s.kind == ParamKind::ReadOnly && s.plausible) {
      const double x = std::strtod(v.value.c_str(), nullptr) / s.divisor;
      if (x < s.lo || x > s.hi) v.enabled = false, v.value.clear();
    }
    v.original = v.value;
  }
  loaded_ = true;
  if (afterLoad_) afterLoad_(*this);
}

std::string CPageModel::normalise(std::size_t i, const std::string& answer) const {
  const ParamSpec& s = specs_[i];
  switch (s.kind) {
    case ParamKind::Check:
      return isSet(i, answer) ? s.choices[0].value : s.choices[1].value;
    case ParamKind::EditGroup: {
      std::vector<std::string> texts;
      for (const std::string& item : listItems(answer)) texts.push_back(unquote(item));
      texts.resize(s.members.size());
      std::string out = "{";
      for (std::size_t k = 0; k < texts.size(); ++k) out += (k ? "," : "") + texts[k];
      return out + "}";
    }
    case ParamKind::CheckGroup: {
      std::vector<bool> states;
      for (const std::string& item : listItems(answer)) states.push_back(isSet(i, item));
      std::string out = "{";
      for (std::size_t k = 0; k < s.members.size(); ++k)
        out += (k ? "," : "") + (k < states.size() && states[k] ? s.choices[0].value : s.choices[1].value);
      return out + "}";
    }
    case ParamKind::Output: {
      const PortOutput::Current current = PortOutput::recognise(answer);
      return current.preset + "|" + current.period;
    }
    case ParamKind::Edit:
      return s.quoted || s.quotedInScript ? unquote(answer) : answer;
    default:
      return answer;
  }
}

bool CPageModel::isSet(std::size_t i, const std::string& value) const {
  // A pair such as "mpnew"/"normal" names its own set value.
  const std::string v = ScriptText::lower(value);
  if (v == ScriptText::lower(specs_[i].choices[0].value)) return true;
  if (v == ScriptText::lower(specs_[i].choices[1].value)) return false;
  return isOn(v);
}

std::vector<std::string> CPageModel::groupTexts(std::size_t i) const {
  std::vector<std::string> texts = listItems(values_[i].value);
  texts.resize(specs_[i].members.size());
  return texts;
}

void CPageModel::setGroupTexts(std::size_t i, const std::vector<std::string>& texts) {
  std::string out = "{";
  for (std::size_t k = 0; k < texts.size(); ++k) out += (k ? "," : "") + ScriptText::trim(texts[k]);
  values_[i].value = out + "}";
}

bool CPageModel::isOn(std::string_view value) {
  const std::string v = ScriptText::lower(value);
  return v.starts_with("on") || v.starts_with("y");
}

bool CPageModel::changed(std::size_t i) const {
  if (!settable(i) || values_[i].value == values_[i].original) return false;
  const ParamSpec& s = specs_[i];
  if (!s.mask.empty() && values_[i].value == s.mask) return false;
  const int gate = s.gate.empty() ? -1 : indexOf(s.gate);
  return gate < 0 ||
         values_[static_cast<std::size_t>(gate)].value != specs_[static_cast<std::size_t>(gate)].mask;
}

bool CPageModel::changed() const {
  for (std::size_t i = 0; i < size(); ++i)
    if (changed(i)) return true;
  return false;
}

bool CPageModel::settable(std::size_t i) const {
  return values_[i].enabled && specs_[i].kind != ParamKind::ReadOnly;
}

void CPageModel::setChecked(std::size_t i, bool on) {
  values_[i].value = specs_[i].choices[on ? 0 : 1].value;
}

std::vector<bool> CPageModel::groupStates(std::size_t i) const {
  std::vector<bool> states;
  for (const std::string& item : listItems(values_[i].value))
    states.push_back(item == specs_[i].choices[0].value);
  states.resize(specs_[i].members.size(), false);
  return states;
}

void CPageModel::setGroup(std::size_t i, const std::vector<bool>& states) {
  std::string out = "{";
  for (std::size_t k = 0; k < states.size(); ++k)
    out += (k ? "," : "") + specs_[i].choices[states[k] ? 0 : 1].value;
  values_[i].value = out + "}";
}

int CPageModel::choiceIndex(std::size_t i) const {
  const std::string v = ScriptText::lower(values_[i].value);
  for (std::size_t k = 0; k < specs_[i].choices.size(); ++k)
    if (ScriptText::lower(specs_[i].choices[k].value) == v) return static_cast<int>(k);
  return -1;
}

std::string CPageModel::outputPreset(std::size_t i) const {
  const std::string& v = values_[i].value;
  return v.substr(0, v.find('|'));
}

std::string CPageModel::outputPeriod(std::size_t i) const {
  const std::string& v = values_[i].value;
  const std::size_t bar = v.find('|');
  return bar == std::string::npos ? std::string(PortOutput::kDefaultPeriod) : v.substr(bar + 1);
}

void CPageModel::setOutput(std::size_t i, const std::string& preset, const std::string& period) {
  values_[i].value = preset + "|" + period;
}

std::string CPageModel::shown(std::size_t i) const {
  const ParamSpec& s = specs_[i];
  if (s.print.empty() || values_[i].value.empty()) return values_[i].value;
  char buf[64];
  std::snprintf(buf, sizeof buf, s.print.c_str(), std::strtod(values_[i].value.c_str(), nullptr) / s.divisor);
  return buf;
}

std::string CPageModel::validate(std::size_t i) const {
  const ParamSpec& s = specs_[i];
  const bool output = s.kind == ParamKind::Output;
  if (output && (outputPreset(i) == PortOutput::kNone || outputPreset(i) == PortOutput::kUserDefined))
    return {};
  if ((s.kind != ParamKind::Edit && !output) || s.scan.empty()) return {};
  const std::string text = ScriptText::trim(output ? outputPeriod(i) : values_[i].value);
  double x = 0;
  const std::string& bad = s.badText.empty() ? s.refused : s.badText;
  if (!scans(s.scan, text, x) || (output && x <= 0)) return bad;
  if (s.ranged && (x < s.lo || x > s.hi)) return s.rangeText.empty() ? bad : s.rangeText;
  return {};
}

std::string CPageModel::sendValue(std::size_t i) const {
  if (specs_[i].kind == ParamKind::EditGroup && specs_[i].quoted) {
    std::string out = "{";
    const std::vector<std::string> texts = groupTexts(i);
    for (std::size_t k = 0; k < texts.size(); ++k) out += (k ? ",\"" : "\"") + texts[k] + "\"";
    return out + "}";
  }
  const std::string v =
      specs_[i].kind == ParamKind::Edit ? ScriptText::trim(values_[i].value) : values_[i].value;
  return specs_[i].quoted && specs_[i].kind != ParamKind::EditGroup ? "\"" + v + "\"" : v;
}

std::string CPageModel::scriptValue(std::size_t i) const {
  return specs_[i].quotedInScript ? "\"" + sendValue(i) + "\"" : sendValue(i);
}

std::string CPageModel::periodCheck(ICommandSender& sender, const std::string& seconds) {
  std::string raw, pos;
  sender.SendCommand("print,/par/raw/curmsint", 0, raw);
  const bool posAnswered = sender.SendCommand("print,/par/pos/curmsint", 0, pos);
  const auto body = [](const std::string& r) {
    return r.starts_with("RE") ? ScriptText::trim(r.substr(5)) : std::string();
  };
  const std::optional<std::string> posMs = posAnswered ? std::optional<std::string>(body(pos)) : std::nullopt;
  return OutputPeriod::fits(ScriptText::trim(seconds), body(raw), posMs) ? std::string()
                                                                         : OutputPeriod::kWarning;
}

std::string CPageModel::applyOutput(ICommandSender& sender, std::size_t i) {
  const ParamSpec& s = specs_[i];
  const std::string preset = outputPreset(i);
  // "User Defined" is whatever the receiver was told elsewhere: the port is left alone.
  if (preset == PortOutput::kUserDefined) return {};
  std::string reply;
  if (!sender.SendCommand("%%dm," + s.port, 0, reply)) return s.refused;
  const std::string start = preset == PortOutput::kNone
                                ? std::string("%%")
                                : PortOutput::command(preset, s.port, ScriptText::trim(outputPeriod(i)));
  if (start.empty() || !sender.SendCommand(start, 0, reply)) return s.refused;
  return {};
}

CPageModel::ApplyResult CPageModel::apply(ICommandSender& sender) {
  for (std::size_t i = 0; i < size(); ++i) {
    if (!changed(i)) continue;
    const ParamSpec& s = specs_[i];
    if (std::string bad = validate(i); !bad.empty()) return {bad, static_cast<int>(i), false};
    const bool output = s.kind == ParamKind::Output;
    const std::string preset = output ? outputPreset(i) : std::string();
    const bool periodSent = !output || (preset != PortOutput::kNone && preset != PortOutput::kUserDefined);
    if (s.outputPeriod && periodSent)
      if (std::string warning = periodCheck(sender, output ? outputPeriod(i) : values_[i].value);
          !warning.empty())
        return {warning, static_cast<int>(i), true};
    std::string reply;
    if (output) {
      if (std::string refused = applyOutput(sender, i); !refused.empty())
        return {refused, static_cast<int>(i), false};
    } else {
      // A TCP port that serves a client program is put back to commands first.
      const int client = s.cmdFirst ? indexOf(s.port + "/ip") : -1;
      if (client >= 0 && values_[static_cast<std::size_t>(client)].enabled &&
          ScriptText::lower(values_[i].value) != "cmd" &&
          !sender.SendCommand(s.prefix + "set," + s.sendPath() + ",cmd", 0, reply))
        return {"Can't change imode to port :" + s.port, static_cast<int>(i), false};
      if (!sender.SendCommand(s.prefix + "set," + s.sendPath() + "," + sendValue(i), 0, reply))
        return {s.refused, static_cast<int>(i), false};
    }
    values_[i].original = values_[i].value;
  }
  return {};
}

void CPageModel::setFromScript(std::size_t i, const std::string& text) {
  const ParamSpec& s = specs_[i];
  values_[i].value = normalise(i, s.quotedInScript ? unquote(text) : text);
}

void CPageModel::writeScript(std::string& out) const {
  for (std::size_t i = 0; i < size(); ++i) {
    // A port's output is not a parameter: it has no "set" line of its own.
    if (!settable(i) || specs_[i].kind == ParamKind::Output) continue;
    if (!specs_[i].mask.empty() && values_[i].value == specs_[i].mask) continue;
    const std::string& p = specs_[i].savePath();
    out += "%" + p + "%set," + p + "," + scriptValue(i) + "\r\n";
  }
}
