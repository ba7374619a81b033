#pragma once
// The receiver's reply texts: splitting a reply body into identifier and
// text, counting its brace depth, finding reply frames in raw bytes, and
// sealing a command line.
#include <cstddef>
#include <cstdint>
#include <string>

namespace Tellus {

struct ReplyPiece {
  std::string identifier;  // between the two "%" that open the body, else empty
  bool error = false;      // anything but "RE"
  std::string text;        // after the identifier
};

// `frame` is a whole ZRX frame (5 header bytes, then the body).
ReplyPiece splitReply(const std::string& frame);

// "{" minus "}", braces inside double-quoted strings not counted (a
// backslash escapes the next character inside a string).
int braceDepth(const std::string& text);

// The last complete "RE"/"ER" frame in `bytes` whose identifier is `id`
// (any identifier when `anyId`); false when there is none.
bool findReply(const std::string& bytes, const std::string& id, bool anyId, ReplyPiece& out);

// "%" + id + "%" + text unless the text already starts with "%id%", then "@",
// the two lowercase checksum digits and "\n". `id` receives the identifier.
std::string sealModelCommand(const std::string& text, unsigned counter, std::string& id);

std::string withoutLineEnds(const std::string& text);

// Whether a network port's answer to the login password is the receiver's success line:
// a line that, without its last character (the port's letter), reads
// "Logged in on /dev/tcp/". Nothing else counts, "RE" included.
bool loginAccepted(const std::string& answer);
// The answer's lines joined by blanks, for an error text.
std::string loginAnswerText(const std::string& answer);

}  // namespace Tellus
