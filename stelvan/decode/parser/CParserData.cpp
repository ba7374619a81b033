#include "CParserData.h"

#include <cstdio>

namespace engine {

CParserData::CParserData(std::string formatName) : m_name(std::move(formatName)) {}

void CParserData::lock() {
  CSynch::lock();
  m_locked = true;
}

void CParserData::unlock() {
  m_locked = false;
  CSynch::unlock();
}

void CParserData::copyBaseTo(CParserData& to) const {
  to.m_names = m_names;
  to.m_acceptUnknown = m_acceptUnknown;
  to.m_leading = m_leading;
  to.m_trailing = m_trailing;
  to.m_startBytes = m_startBytes;
}

IParserData* CParserData::clone() {
  IParserData* inst = createInstance();
  if (auto* p = dynamic_cast<CParserData*>(inst)) copyBaseTo(*p);
  return inst;
}

std::bitset<256> CParserData::startSet() const {
  std::bitset<256> s = m_startBytes;
  for (const auto& p : m_leading)
    if (p.enabled && !p.bytes.empty()) s.set(p.bytes[0]);
  return s;
}

void CParserData::resetDefaults() {
  touch();
  m_acceptUnknown = false;
  m_names.clear();
}

void CParserData::configure(IMsgSettings* settings) {
  touch();
  if (!settings) {
    resetDefaults();
    return;
  }
  if (!settings->isEnabled(m_name)) return;
  m_names.clear();
  const std::size_t n = settings->descriptionCount(m_name);
  for (std::size_t i = 0; i < n; ++i) {
    const MsgDescription* d = settings->description(m_name, i);
    if (!d) continue;
    m_names[d->id] = {d->maxLength, d->expectedLength};
    for (const auto& [key, value] : d->hooks) {
      if (!mapField(key, value, d->id)) mapMessageType(key, value, d->id);
    }
  }
}

void CParserData::setAcceptUnknown(bool on) {
  touch();
  m_acceptUnknown = on;
}
bool CParserData::acceptsUnknown() {
  return m_acceptUnknown;
}

void CParserData::setPatternCount(bool leading, std::size_t n) {
  touch();
  list(leading).resize(n);
}

void CParserData::addPattern(bool leading, const std::string& text, std::uint32_t limit, bool enabled) {
  touch();
  ParserPattern p;
  p.bytes = unescape(text);
  p.limit = limit;
  p.enabled = enabled;
  list(leading).push_back(std::move(p));
}

void CParserData::setPatternEnabled(bool leading, std::size_t i, bool on) {
  touch();
  if (i < list(leading).size()) list(leading)[i].enabled = on;
}

void CParserData::setPatternText(bool leading, std::size_t i, const std::string& text) {
  touch();
  if (i < list(leading).size()) list(leading)[i].bytes = unescape(text);
}

void CParserData::setPatternLimit(bool leading, std::size_t i, std::uint32_t limit) {
  touch();
  if (i < list(leading).size()) list(leading)[i].limit = limit;
}

std::size_t CParserData::patternCount(bool leading) {
  return list(leading).size();
}

bool CParserData::isPatternEnabled(bool leading, std::size_t i) {
  return i < list(leading).size() && list(leading)[i].enabled;
}

std::string CParserData::patternText(bool leading, std::size_t i) {
  return i < list(leading).size() ? escape(list(leading)[i].bytes) : std::string();
}

std::uint32_t CParserData::patternLimit(bool leading, std::size_t i) {
  return i < list(leading).size() ? list(leading)[i].limit : 0;
}

bool CParserData::lookupName(const std::string& id, int& maxLength, int& expectedLength) const {
  auto it = m_names.find(id);
  if (it == m_names.end()) return false;
  maxLength = it->second.first;
  expectedLength = it->second.second;
  return true;
}

// Matching counts per run: a limit of 0 lets a pattern match once per run,
// 0xFFFFFFFF any number of times.
bool CParserData::skipPatterns(IEx_DataCash* reader, bool leading) {
  std::vector<ParserPattern>& pats = list(leading);
  if (pats.empty()) return true;
  for (auto& p : pats) p.count = 0;
  for (;;) {
    bool matched = false;
    for (auto& p : pats) {
      if (!p.enabled || p.bytes.empty() || p.count > p.limit) continue;
      bool all = true;
      for (std::size_t k = 0; k < p.bytes.size(); ++k) {
        std::uint8_t b = 0;
        if (!reader->peek(b, k + 1)) return reader->isEndOfInput();
        if (b != p.bytes[k]) {
          all = false;
          break;
        }
      }
      if (all) {
        reader->take(p.bytes.size());
        ++p.count;
        matched = true;
        break;
      }
    }
    if (!matched) return true;
  }
}

static int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::uint8_t> CParserData::unescape(const std::string& text) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\\') {
      out.push_back(static_cast<std::uint8_t>(c));
      continue;
    }
    if (i + 1 >= text.size()) break;  // lone backslash ends the text
    const char e = text[++i];
    switch (e) {
      case '"':
      case '\\':
        out.push_back(static_cast<std::uint8_t>(e));
        break;
      case '0':
        out.push_back(0);
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 'x':
      case 'X': {
        unsigned v = 0;
        bool any = false;
        while (i + 1 < text.size() && hexValue(text[i + 1]) >= 0) {
          v = (v << 4) | static_cast<unsigned>(hexValue(text[++i]));
          any = true;
        }
        if (any) out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        break;
      }
      default:
        break;  // unknown escape: both characters dropped
    }
  }
  return out;
}

std::string CParserData::escape(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  for (std::uint8_t b : bytes) {
    if (b == 0)
      out += "\\0";
    else if (b == '\t')
      out += "\\t";
    else if (b == '\n')
      out += "\\n";
    else if (b == '\r')
      out += "\\r";
    else if (b >= '!' && b <= '~')
      out += static_cast<char>(b);
    else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%X", b);
      out += buf;
    }
  }
  return out;
}

std::bitset<256> CParserData::leadRunSet() const {
  std::bitset<256> out;
  for (const auto& p : m_leading) {
    if (!p.enabled || p.bytes.empty()) continue;
    if (p.bytes.size() != 1 || p.limit != kUnlimited) return {};
    out.set(p.bytes[0]);
  }
  return out;
}

std::bitset<256> CParserData::leadSet() const {
  std::bitset<256> out;
  for (const auto& p : m_leading)
    if (p.enabled && !p.bytes.empty()) out.set(p.bytes[0]);
  return out;
}

}  // namespace engine
