#pragma once
// The receiver's parameter tree: paths such as "/par/pos/elm" with a text value,
// a default and the set of values a "set" may write. Not thread-safe: the
// owning receiver serialises access.
#include <map>
#include <string>
#include <vector>

namespace rcvsim {

struct ParamRule {
  enum Kind { Free, Enum, Int, Real, ReadOnly, List };
  Kind kind = Free;
  std::vector<std::string> values;  // Enum: accepted words (case-insensitive)
  double lo = 0, hi = 0;            // Int, Real: inclusive range
};

struct ParamSeedEntry {
  std::string path;
  std::string value;
  std::string rule;  // "" free, "ro", "list", "int:lo:hi", "real:lo:hi", "a|b|c"
};

class ParamTree {
 public:
  ParamTree();

  // Canonical form: a leading "/par/" is added to relative paths ("cur/term/rate").
  static std::string normalise(const std::string& path);

  bool has(const std::string& path) const { return entries_.count(path) != 0; }
  // Value, or false when the path is unknown.
  bool get(const std::string& path, std::string& value) const;
  bool getDefault(const std::string& path, std::string& value) const;
  // Validates and stores; false with the reason in `error`.
  bool set(const std::string& path, const std::string& value, std::string& error);
  // Stores without validation (dynamic values the receiver itself updates).
  void put(const std::string& path, const std::string& value);
  void add(const std::string& path, const std::string& value, const std::string& rule);
  // Changes value and default of a known parameter (the receiver's own configuration).
  void setDefault(const std::string& path, const std::string& value);
  // Every parameter back to its default.
  void reset();
  // "{name=value,...}" of the parameters below `prefix` (which ends with "/"), or false.
  bool listing(const std::string& prefix, std::string& out) const;
  // Every path with its current value.
  std::map<std::string, std::string> values() const;

 private:
  struct Entry {
    std::string value, def;
    ParamRule rule;
  };
  static ParamRule parseRule(const std::string& rule);
  std::map<std::string, Entry> entries_;
};

// The seed table (parameters the client reads and writes, with their value sets).
const std::vector<ParamSeedEntry>& paramSeed();

}  // namespace rcvsim
