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

std::uint64_t CliStorage::totalStored() {
  std::lock_guard<std::mutex> g(m_cs);
  return m_total;
}
std::uint64_t CliStorage::totalBytes() {
  std::lock_guard<std::mutex> g(m_cs);
  return m_bytes;
}

namespace {
// The message with its "<FORMAT>:<ID>" key, built once from the status record.
class CliMessage : public engine::C_MessageGNSS {
 public:
  explicit CliMessage(engine::IMsgSetting* st) : C_MessageGNSS(st) {
    key.reserve(st->format().size() + st->description().size() + st->id().size() + 1);
    key = st->format();
    key += ':';
    if (st->format() == "NMEA") key += st->description();
    key += st->id();
  }
  std::string key;
};
}  // namespace

engine::IMessageGNSS* CliStorage::createMessage(engine::IMsgSetting* status) {
  auto* m = new engine::TUnknown<CliMessage>(status);
  std::lock_guard<std::mutex> g(m_cs);
  m_lastCreated = m;
  return m;
}

bool CliStorage::store(engine::IMessageGNSS* message) {
  if (!message) return false;
  std::lock_guard<std::mutex> g(m_cs);
  // The analysis stores what it has just created; anything else is looked at the slow way.
  CliMessage* cm =
      message == m_lastCreated ? static_cast<CliMessage*>(m_lastCreated) : dynamic_cast<CliMessage*>(message);
  m_lastCreated = nullptr;
  const std::string key = cm ? std::string() : message->format() + ":" + messageId(message);
  const std::string& k = cm ? cm->key : key;
  const std::size_t len = message->rawLength();
  auto it = m_counts.find(k);
  if (it == m_counts.end())
    m_counts.emplace(k, 1);
  else
    ++it->second;
  ++m_total;
  m_bytes += len;
  if (m_out) {
    std::string codes;
    if (cm) {
      for (std::int32_t c : cm->statusCodes()) {
        if (!codes.empty()) codes += ',';
        codes += std::to_string(c);
      }
    }
    if (codes.empty()) codes = "-";
    const std::size_t colon = k.find(':');
    std::fprintf(m_out, "%llu %.*s %s %zu %s\n", static_cast<unsigned long long>(message->streamPosition()),
                 static_cast<int>(colon), k.c_str(), k.c_str() + colon + 1, len, codes.c_str());
  }
  return true;
}

std::map<std::string, std::uint64_t> CliStorage::counts() {
  std::lock_guard<std::mutex> g(m_cs);
  return {m_counts.begin(), m_counts.end()};
}

}  // namespace decodecli
