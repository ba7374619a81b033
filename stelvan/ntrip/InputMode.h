#pragma once
// Whether the receiver's port that carries our commands also takes RTCM corrections. Bytes
// written into a port whose input mode is commands only are read as command text: the
// corrections are lost and the receiver answers with errors. Asked once, before a run starts.
#include <string>

namespace Ntrip {

// The command that reads the current port's input mode.
constexpr const char* kInputModeQuery = "print,/par/cur/term/imode";

// From the receiver's answer to kInputModeQuery (a "RE" reply frame, or its body alone): empty
// when the answer is an error or holds no mode (an older receiver without the parameter), else
// the mode's name in lower case.
std::string InputModeOf(const std::string& reply);

// Empty when a port of input mode `mode` takes corrections beside commands, or the mode is
// unknown (the receiver may still take them: the user knows better than a guess); else the
// reason and the command that lets the port take them.
std::string InputModeRefusal(const std::string& mode);

}  // namespace Ntrip
