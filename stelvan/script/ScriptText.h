#pragma once
// Text rules of the script language: tokens, "@0".."@9" substitution, reply values and how a
// script file is read.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace ScriptText {

using Variables = std::array<std::string, 10>;

constexpr std::size_t kMaxTokens = 10;

std::string trim(std::string_view text);
std::string lower(std::string_view text);
// Blank-separated tokens (runs of blanks count once); at most kMaxTokens, the rest is ignored.
std::vector<std::string> tokenise(std::string_view text);
// Replaces "@d" by variable d, except between the line's first and second double quote.
// Inserted text is not scanned again.
std::string substitute(std::string_view line, const Variables& vars);
// The value of a reply: the text after its last "%", else after its fifth character, trimmed.
std::string replyValue(std::string_view reply);
// 1..9 for "@1".."@9", else -1.
int argumentIndex(std::string_view token);
// Reads a whole script: a file that begins with FF FE is UTF-16 (little endian) and comes back
// as UTF-8; a text that does not end with a line feed gets CR LF. False when unreadable.
bool readScriptFile(const std::string& path, std::string& text);
// Decodes UTF-16LE bytes (without the FF FE mark) into UTF-8.
std::string utf16ToUtf8(std::string_view bytes);

}  // namespace ScriptText
