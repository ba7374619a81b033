#include "CliStorage.h"

namespace decodecli {

std::string messageId(engine::IMessageGNSS* m) {
  if (m->format() == "NMEA") return m->description() + m->identifier();
  return m->identifier();
}

std::size_t CliStorage::countOf(const std::string& format, const std::string& id) {
  std::lock_guard<std::mutex> g(m_cs);
  auto it = m_counts.find(format + ":" + id);
  return it == m_counts.end() ? 0 : static_cast<std::size_t>(it->second);
}

void CliStorage::clear() {
  std::lock_guard<std::mutex> g(m_cs);
  m_counts.clear();
  m_total = m_bytes = 0;
}

std::uint64_t CliStorage::totalStored() { std::lock_guard<std::mutex> g(m_cs); return m_total; }
std::uint64_t CliStorage::totalBytes() { std::lock_guard<std::mutex> g(m_cs); return m_bytes; }

engine::IMessageGNSS* CliStorage::createMessage(engine::IMsgSetting* status) {
  return new engine::TUnknown<engine::C_MessageGNSS>(status);
}

bool CliStorage::store(engine::IMessageGNSS* message) {
  if (!message) return false;
  const std::string format = message->format();
  const std::size_t len = message->rawLength();
  std::lock_guard<std::mutex> g(m_cs);
  const std::string& id = m_id = messageId(message);
  m_key = format;
  m_key += ':';
  m_key += id;
  auto it = m_counts.find(m_key);
  if (it == m_counts.end()) m_counts.emplace(m_key, 1);
  else ++it->second;
  ++m_total;
  m_bytes += len;
  if (m_out) {
    std::string codes;
    if (auto* cm = dynamic_cast<engine::C_MessageGNSS*>(message)) {
      for (std::int32_t c : cm->statusCodes()) {
        if (!codes.empty()) codes += ',';
        codes += std::to_string(c);
      }
    }
    if (codes.empty()) codes = "-";
    std::fprintf(m_out, "%llu %s %s %zu %s\n", static_cast<unsigned long long>(message->streamPosition()),
                 format.c_str(), id.c_str(), len, codes.c_str());
  }
  return true;
}

std::map<std::string, std::uint64_t> CliStorage::counts() {
  std::lock_guard<std::mutex> g(m_cs);
  return {m_counts.begin(), m_counts.end()};
}

}  // namespace decodecli
