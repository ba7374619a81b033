#include "gridlink/CBlockingSocketException.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

CBlockingSocketException::CBlockingSocketException(const char* operation)
    : CBlockingSocketException(operation, errno) {}

CBlockingSocketException::CBlockingSocketException(const char* operation, int code)
    : m_nError(code), m_strMessage(operation ? operation : "") {}

std::string CBlockingSocketException::TimeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char text[40];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d ", t.tm_mday, t.tm_mon + 1,
                t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

void CBlockingSocketException::GetTextError(std::string& out) const {
  out = "ERDLL:" + TimeStamp() + m_strMessage;
  if (m_nError != 0) out += " cod=" + std::to_string(m_nError);
}

std::string CBlockingSocketException::GetTextError() const {
  std::string text;
  GetTextError(text);
  return text;
}
