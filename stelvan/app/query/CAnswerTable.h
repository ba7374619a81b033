#pragma once
// The answers of one query script: a "@scr stoperrors off" script of print commands sent in a
// single CReceiver::SendCommand, split back into one answer per command line. A plain record
// owned by its caller; no widgets. Run it on the thread that owns the receiver session.
#include <array>
#include <optional>
#include <string>

class CReceiver;

class CAnswerTable {
 public:
  static constexpr int kMaxAnswers = 64;

  // Sends `script` and fills the table from the reply; false (table left empty) when the
  // command could not be sent. The receiver's reply string then tells why.
  bool run(CReceiver& receiver, const std::string& script);
  // Fills the table from a script and the reply string it got (the part of run after the send).
  void fill(const std::string& script, const std::string& reply);

  // Answer i (the i-th print command of the script, counted from 0), trimmed; nothing when that
  // line was not a success reply or there was no such line.
  std::optional<std::string> answer(int i) const;
  int lineCount() const { return m_LineCount; }
  int errorCount() const { return m_ErrorCount; }

 private:
  std::array<std::optional<std::string>, kMaxAnswers> m_Answers;
  int m_LineCount = 0;
  int m_ErrorCount = 0;
};
