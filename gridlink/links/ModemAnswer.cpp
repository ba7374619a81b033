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
}

bool ModemAnswer::Add(const char* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count && !m_Complete; ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') {
      if (m_Line.size() < kMaxLine) m_Line.push_back(c);
      continue;
    }
    if (!m_Line.empty() && !sameText(m_Line, m_Command)) {
      m_Answer.swap(m_Line);
      m_Complete = true;
    }
    m_Line.clear();
  }
  return m_Complete;
}
