#pragma once
// Turns received command text into commands the way the receiver reads it:
// lines end at LF or CR; "#" starts a comment line; "||" and "&&" separate
// commands on one line; "%id%" in front is the identifier echoed in the reply;
// a trailing "@xx" is a seal that must match the text checksum.
#include <cstddef>
#include <string>
#include <vector>

namespace rcvsim {

struct Command {
  bool hasId = false;
  std::string id;        // text between the percent signs
  std::string text;      // command without identifier and seal
  bool badSeal = false;  // the seal did not match: answer "ER"
};

class LineAssembler {
 public:
  // Appends bytes; complete lines (without their terminator) go to `lines`.
  void feed(const char* bytes, std::size_t count, std::vector<std::string>& lines);
  void clear() { partial_.clear(); }
  bool empty() const { return partial_.empty(); }

 private:
  std::string partial_;
};

// Commands of one received line; comments and empty pieces give none.
std::vector<Command> parseLine(const std::string& line);

// Text of the identifier prefix to put before a reply body ("" or "%id%").
std::string idPrefix(const Command& c);

// Splits "a,b{c,d},e" at top-level commas (braces and double quotes nest).
std::vector<std::string> splitTopLevel(const std::string& text, char sep = ',');

// Removes surrounding double quotes.
std::string unquote(const std::string& text);

}  // namespace rcvsim
