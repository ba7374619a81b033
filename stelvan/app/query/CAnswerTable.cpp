#include "query/CAnswerTable.h"

#include <algorithm>

#include "gridlink/CReceiver.h"

namespace {

std::string trimmed(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

}  // namespace

bool CAnswerTable::run(CReceiver& receiver, const std::string& script) {
  *this = CAnswerTable{};
  // The reply of this very request: another thread may send on the same receiver meanwhile.
  std::string reply;
  if (!receiver.SendCommand(script.c_str(), reply)) return false;
  fill(script, reply);
  return true;
}

void CAnswerTable::fill(const std::string& script, const std::string& reply) {
  *this = CAnswerTable{};
  if (script.size() > 1) m_LineCount = static_cast<int>(std::count(script.begin() + 1, script.end(), '\n'));
  std::size_t p = 0;
  for (int i = 0;; ++i) {
    const std::size_t lf = reply.find('\n', p);
    if (lf == std::string::npos) return;  // a last line without its line feed is not counted
    const std::string_view line(reply.data() + p, lf - p);
    if (line.substr(0, 2) == "RE") {
      if (i < kMaxAnswers)
        m_Answers[static_cast<std::size_t>(i)] = trimmed(line.size() > 5 ? line.substr(5) : "");
    } else {
      ++m_ErrorCount;
    }
    p = lf + 1;
  }
}

std::optional<std::string> CAnswerTable::answer(int i) const {
  if (i < 0 || i >= kMaxAnswers) return std::nullopt;
  return m_Answers[static_cast<std::size_t>(i)];
}
