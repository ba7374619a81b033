#include "ParamTree.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "CommandParser.h"

namespace rcvsim {

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool numberIn(const std::string& text, bool integer, double lo, double hi) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (!end || *end) return false;
  if (integer && v != static_cast<double>(static_cast<long long>(v))) return false;
  return v >= lo && v <= hi;
}

}  // namespace

ParamTree::ParamTree() {
  for (const auto& e : paramSeed()) add(e.path, e.value, e.rule);
}

std::string ParamTree::normalise(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  return "/par/" + path;
}

ParamRule ParamTree::parseRule(const std::string& rule) {
  ParamRule r;
  if (rule.empty()) return r;
  if (rule == "ro") {
    r.kind = ParamRule::ReadOnly;
  } else if (rule == "list") {
    r.kind = ParamRule::List;
  } else if (rule.rfind("int:", 0) == 0 || rule.rfind("real:", 0) == 0) {
    r.kind = rule[0] == 'i' ? ParamRule::Int : ParamRule::Real;
    std::sscanf(rule.c_str() + rule.find(':') + 1, "%lf:%lf", &r.lo, &r.hi);
  } else {
    r.kind = ParamRule::Enum;
    std::size_t start = 0;
    while (true) {
      const std::size_t bar = rule.find('|', start);
      r.values.push_back(rule.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
  }
  return r;
}

void ParamTree::add(const std::string& path, const std::string& value, const std::string& rule) {
  entries_[path] = Entry{value, value, parseRule(rule)};
}

void ParamTree::setDefault(const std::string& path, const std::string& value) {
  auto it = entries_.find(path);
  if (it != entries_.end()) it->second.value = it->second.def = value;
}

bool ParamTree::get(const std::string& path, std::string& value) const {
  auto it = entries_.find(path);
  if (it == entries_.end()) return false;
  value = it->second.value;
  return true;
}

bool ParamTree::getDefault(const std::string& path, std::string& value) const {
  auto it = entries_.find(path);
  if (it == entries_.end()) return false;
  value = it->second.def;
  return true;
}

void ParamTree::put(const std::string& path, const std::string& value) {
  auto it = entries_.find(path);
  if (it == entries_.end())
    add(path, value, "ro");
  else
    it->second.value = value;
}

bool ParamTree::set(const std::string& path, const std::string& rawValue, std::string& error) {
  auto it = entries_.find(path);
  if (it == entries_.end()) {
    error = "Unknown parameter " + path;
    return false;
  }
  const std::string value = unquote(rawValue);
  const ParamRule& r = it->second.rule;
  bool ok = true;
  switch (r.kind) {
    case ParamRule::Free:
      break;
    case ParamRule::ReadOnly:
      error = "Parameter is read only " + path;
      return false;
    case ParamRule::Enum:
      ok = std::any_of(r.values.begin(), r.values.end(),
                       [&](const std::string& v) { return lower(v) == lower(value); });
      break;
    case ParamRule::Int:
      ok = numberIn(value, true, r.lo, r.hi);
      break;
    case ParamRule::Real:
      ok = numberIn(value, false, r.lo, r.hi);
      break;
    case ParamRule::List:
      ok = value.size() >= 2 && value.front() == '{' && value.back() == '}';
      break;
  }
  if (!ok) {
    error = "Invalid value '" + value + "' for " + path;
    return false;
  }
  it->second.value = r.kind == ParamRule::Enum ? lower(value) : value;
  return true;
}

void ParamTree::reset() {
  for (auto& [path, e] : entries_) e.value = e.def;
}

bool ParamTree::listing(const std::string& prefix, std::string& out) const {
  out = "{";
  bool any = false;
  for (auto it = entries_.lower_bound(prefix); it != entries_.end() && it->first.rfind(prefix, 0) == 0;
       ++it) {
    if (any) out += ",";
    out += it->first.substr(prefix.size()) + "=" + it->second.value;
    any = true;
  }
  out += "}";
  return any;
}

std::map<std::string, std::string> ParamTree::values() const {
  std::map<std::string, std::string> out;
  for (const auto& [path, e] : entries_) out[path] = e.value;
  return out;
}

}  // namespace rcvsim
