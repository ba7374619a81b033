#pragma once
// Picks the modem's answer to one AT command out of the bytes it sends back: the first line
// that is neither empty (the "\r\n" around verbose answers) nor the echo of the command itself
// (a modem echoes until "ate0"). Lines end at a carriage return or a line feed. Taking the
// answer this way keeps a late echo or the tail of the previous answer from passing for the
// next command's answer. Not thread-safe; the modem link guards it.
#include <cstddef>
#include <string>
#include <string_view>

class ModemAnswer {
 public:
  // Starts waiting for the answer to `command` (as sent, without its carriage return).
  void Expect(std::string_view command);
  // The same for a query whose answer has information lines before its result code ("+CPIN:
  // READY" then "OK"): complete at the result code, Answer() holding every line, "\n" apart,
  // so that the trailing "OK" is not left over for the next command.
  void ExpectFinal(std::string_view command);
  // "OK", "ERROR", "CONNECT ...", "NO CARRIER", "+CME ERROR: ..." and the like.
  static bool IsResultCode(std::string_view line);
  // Adds received bytes; true once the answer line is complete (then Answer() holds it and
  // further bytes are ignored until the next Expect).
  bool Add(const char* bytes, std::size_t count);
  bool Complete() const { return m_Complete; }
  const std::string& Answer() const { return m_Answer; }

 private:
  std::string m_Command, m_Line, m_Answer;
  bool m_Complete = false;
  bool m_UntilResult = false;
};
