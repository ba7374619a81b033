#pragma once
// Reads a caster's answer up to the end of its header, from bytes as they
// arrive: "ICY 200 OK" (NTRIP 1.0 stream), "SOURCETABLE 200 OK", an HTTP
// status line with header fields, or a 1.0 caster's "ERROR - ..." line.
// Whatever follows the header (stream or table bytes) is left unconsumed.
// Not thread-safe; one object per answer.
#include <cstddef>
#include <map>
#include <string>

namespace Ntrip {

class ResponseHeader {
 public:
  enum class Kind { Icy, SourceTable, Http, ErrorText, Invalid };
  enum class State { NeedMore, Complete, Invalid };
  static constexpr std::size_t kMaxHeader = 16384;

  // Takes bytes; returns how many belong to the header. Once Complete or
  // Invalid, takes nothing more.
  std::size_t Feed(const char* bytes, std::size_t count);
  State state() const { return state_; }
  // The caster closed the connection: a status line already read stands as
  // the whole answer (some 1.0 casters send "HTTP/1.0 401 ..." and hang up).
  void EndOfInput();

  Kind kind() const { return kind_; }
  int status() const { return status_; }  // 200 for ICY and SOURCETABLE; 0 for ERROR lines
  const std::string& statusLine() const { return statusLine_; }
  // A header field by lower-case name; "" when absent.
  std::string field(const std::string& lowerName) const;
  bool chunked() const;
  // The answer starts a correction stream (not a table, not a refusal).
  bool isStream() const;
  // The answer carries the source table (1.0 "SOURCETABLE", or 2.0 gnss/sourcetable).
  bool isSourceTable() const;
  // Why parsing failed (Invalid).
  const std::string& error() const { return error_; }

 private:
  bool takeLine(const std::string& line);
  bool parseStatusLine(const std::string& line);
  void fail(const std::string& why);

  State state_ = State::NeedMore;
  Kind kind_ = Kind::Invalid;
  int status_ = 0;
  std::string statusLine_;
  std::map<std::string, std::string> fields_;
  std::string line_;
  std::size_t taken_ = 0;
  bool haveStatus_ = false;
  std::string error_;
};

}  // namespace Ntrip
