#include "links/ModemAnswer.h"

#include <cctype>

namespace {

bool sameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

constexpr std::size_t kMaxLine = 1024;  // a modem's answer line is short; noise is cut here

}  // namespace

void ModemAnswer::Expect(std::string_view command) {
  m_Command.assign(command);
  m_Line.clear();
  m_Answer.clear();
  m_Complete = false;
  m_UntilResult = false;
}

void ModemAnswer::ExpectFinal(std::string_view command) {
  Expect(command);
  m_UntilResult = true;
}

bool ModemAnswer::IsResultCode(std::string_view line) {
  static constexpr std::string_view kCodes[] = {
      "OK", "ERROR", "CONNECT", "NO CARRIER", "BUSY", "NO DIALTONE", "NO ANSWER", "+CME ERROR", "+CMS ERROR"};
  for (std::string_view code : kCodes)
    if (line.size() >= code.size() && sameText(line.substr(0, code.size()), code)) return true;
  return false;
}

bool ModemAnswer::Add(const char* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count && !m_Complete; ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') {
      if (m_Line.size() < kMaxLine) m_Line.push_back(c);
      continue;
    }
    if (!m_Line.empty() && !sameText(m_Line, m_Command)) {
      if (!m_UntilResult) {
        m_Answer.swap(m_Line);
        m_Complete = true;
      } else {
        if (!m_Answer.empty()) m_Answer += '\n';
        m_Answer += m_Line;
        m_Complete = IsResultCode(m_Line);
      }
    }
    m_Line.clear();
  }
  return m_Complete;
}
