#include "ResponseHeader.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace Ntrip {

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string trim(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
  return s.substr(a, b - a);
}

bool startsWith(const std::string& s, const char* prefix) {
  return s.rfind(prefix, 0) == 0;
}

}  // namespace

std::size_t ResponseHeader::Feed(const char* bytes, std::size_t count) {
  std::size_t used = 0;
  while (state_ == State::NeedMore && used < count) {
    const char c = bytes[used++];
    if (++taken_ > kMaxHeader) {
      fail("the caster's answer has no end of header within " + std::to_string(kMaxHeader) + " bytes");
      break;
    }
    if (c != '\n') {
      // A control byte other than CR and TAB, or a byte above ASCII in the status line:
      // binary data where a header should be means this is no caster's answer.
      const auto u = static_cast<unsigned char>(c);
      if ((u < 0x20 && c != '\r' && c != '\t') || (!haveStatus_ && u >= 0x7F)) {
        fail("the answer is not an NTRIP or HTTP header");
        break;
      }
      line_ += c;
      continue;
    }
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    const std::string line = std::move(line_);
    line_.clear();
    if (!takeLine(line)) break;
  }
  return used;
}

void ResponseHeader::EndOfInput() {
  if (state_ != State::NeedMore) return;
  if (haveStatus_)
    state_ = State::Complete;
  else
    fail("the answer ends before its status line");
}

bool ResponseHeader::takeLine(const std::string& line) {
  if (!haveStatus_) {
    haveStatus_ = true;
    return parseStatusLine(line);
  }
  if (line.empty()) {
    state_ = State::Complete;
    return false;
  }
  const std::size_t colon = line.find(':');
  if (colon == std::string::npos || colon == 0) {
    fail("a header line without a field name: \"" + line.substr(0, 80) + "\"");
    return false;
  }
  fields_[lower(trim(line.substr(0, colon)))] = trim(line.substr(colon + 1));
  return true;
}

bool ResponseHeader::parseStatusLine(const std::string& line) {
  statusLine_ = line.substr(0, 200);
  if (startsWith(line, "ICY 200")) {
    // A 1.0 stream follows its status line at once: no header fields.
    kind_ = Kind::Icy;
    status_ = 200;
    state_ = State::Complete;
    return false;
  }
  if (startsWith(line, "SOURCETABLE 200")) {
    kind_ = Kind::SourceTable;
    status_ = 200;
    return true;
  }
  if (startsWith(line, "ERROR")) {
    kind_ = Kind::ErrorText;
    state_ = State::Complete;
    return false;
  }
  if (startsWith(line, "HTTP/1.") && line.size() >= 12 && line[8] == ' ' &&
      std::isdigit(static_cast<unsigned char>(line[9])) &&
      std::isdigit(static_cast<unsigned char>(line[10])) &&
      std::isdigit(static_cast<unsigned char>(line[11]))) {
    kind_ = Kind::Http;
    status_ = std::atoi(line.substr(9, 3).c_str());
    return true;
  }
  fail("the answer is not an NTRIP or HTTP header: \"" + line.substr(0, 80) + "\"");
  return false;
}

void ResponseHeader::fail(const std::string& why) {
  state_ = State::Invalid;
  kind_ = Kind::Invalid;
  error_ = why;
}

std::string ResponseHeader::field(const std::string& lowerName) const {
  const auto it = fields_.find(lowerName);
  return it == fields_.end() ? "" : it->second;
}

bool ResponseHeader::chunked() const {
  return lower(field("transfer-encoding")).find("chunked") != std::string::npos;
}

bool ResponseHeader::isSourceTable() const {
  if (state_ != State::Complete) return false;
  if (kind_ == Kind::SourceTable) return true;
  return kind_ == Kind::Http && status_ == 200 &&
         lower(field("content-type")).find("sourcetable") != std::string::npos;
}

bool ResponseHeader::isStream() const {
  if (state_ != State::Complete) return false;
  if (kind_ == Kind::Icy) return true;
  return kind_ == Kind::Http && status_ == 200 && !isSourceTable();
}

}  // namespace Ntrip
