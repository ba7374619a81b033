#pragma once
// A failed socket operation: the operation's text ("Connect", "Receive timeout",
// ...) and the socket error code current when it failed (errno; 0 for a read
// time-out, which the connection thread takes as a quiet line, not a broken one).
//
// Thrown by value and caught by (const) reference: the exception owns nothing
// but its text, so nobody has to delete it. Copyable; use from any thread.
#include <exception>
#include <string>

#include "gridlink/Export.h"

class GRIDLINK_API CBlockingSocketException : public std::exception {
 public:
  // Records the operation text and the current errno.
  explicit CBlockingSocketException(const char* operation);
  // Records the operation text and the given code (0 = no system error).
  CBlockingSocketException(const char* operation, int code);

  // "ERDLL:" + "dd/mm/yyyy hh:mm:ss " (local time, now) + operation
  // + " cod=%d" when the code is not 0.
  void GetTextError(std::string& out) const;
  std::string GetTextError() const;

  int GetErrorCode() const { return m_nError; }
  const std::string& GetOperation() const { return m_strMessage; }
  const char* what() const noexcept override { return m_strMessage.c_str(); }

  // "dd/mm/yyyy hh:mm:ss " of local time: the socket error texts carry the full year.
  static std::string TimeStamp();

 private:
  int m_nError;
  std::string m_strMessage;
};
