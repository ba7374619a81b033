#pragma once
// The receiver report of the About box: 51 lines, separators printed as they are and
// labels followed by the answer to their print command, in order. No widgets.
#include <optional>
#include <string>
#include <vector>

namespace about {

struct ReportLine {
  const char* text;     // label, or a separator beginning with "-"
  const char* command;  // null for a separator
};

const std::vector<ReportLine>& reportLines();
// "@scr stoperrors off\n", every print command followed by "\n", "@end\n".
std::string reportScript();
// Answer i belongs to print command i; a missing or empty one reads "<unknown>".
// Every line ends with "\r\n".
std::string buildReport(const std::vector<std::optional<std::string>>& answers);

}  // namespace about
