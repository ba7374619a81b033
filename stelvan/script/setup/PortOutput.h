#pragma once
// The message sets a port can be told to output from the Ports page: the presets, how a
// port's current output (its "print,/par/out<port>:on" answer) is recognised among them, and
// the commands that switch a port to one.
#include <string>
#include <vector>

namespace PortOutput {

constexpr const char* kNone = "None";
constexpr const char* kUserDefined = "User Defined";
constexpr const char* kDefaultPeriod = "1.00";

struct Preset {
  std::string shown;
  std::string command;             // "%s" places: port, period, period
  std::string format;              // the format the receiver lists the messages under
  std::vector<std::string> names;  // the messages it lists, in any order
};

// "None" first, "User Defined" last (it has no command: the port is left as it is).
const std::vector<Preset>& presets();

struct Current {
  std::string preset = kNone;
  std::string period = kDefaultPeriod;
};
// The preset whose messages the answer lists (the first that matches); "User Defined" for
// any other set, "None" when the port outputs nothing.
Current recognise(const std::string& answer);

// The command that starts the preset on the port ("" for "User Defined" and unknown names).
std::string command(const std::string& preset, const std::string& port, const std::string& period);

}  // namespace PortOutput
