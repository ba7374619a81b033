#include "QueryAnswers.h"

#include "ScriptText.h"

namespace QueryAnswers {

std::vector<std::string> parse(std::string_view reply) {
  std::vector<std::string> answers;
  for (std::size_t p = 0;;) {
    const std::size_t eol = reply.find('\n', p);
    if (eol == std::string_view::npos) break;  // a line without its line feed is incomplete
    const std::string_view line = reply.substr(p, eol - p);
    answers.push_back(line.starts_with("RE") && line.size() >= 5 ? ScriptText::trim(line.substr(5))
                                                                 : std::string());
    p = eol + 1;
  }
  return answers;
}

std::string script(const std::vector<std::string>& paths) {
  std::string s = "@scr stoperrors off\n";
  for (const std::string& p : paths) s += "print," + p + "\n";
  return s + "@end\n";
}

}  // namespace QueryAnswers
