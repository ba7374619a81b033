#pragma once
// The answers of a "@scr" print script by position: answer i is the body of reply line i when
// that line is a success reply ("RE" + three length digits + body), else empty.
#include <string>
#include <string_view>
#include <vector>

namespace QueryAnswers {
std::vector<std::string> parse(std::string_view reply);
// "@scr stoperrors off\nprint,<path>\n...\n@end\n"
std::string script(const std::vector<std::string>& paths);
}  // namespace QueryAnswers
