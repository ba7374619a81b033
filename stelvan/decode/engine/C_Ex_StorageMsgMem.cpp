#include "C_Ex_StorageMsgMem.h"

#include "C_MessageGNSS.h"

namespace engine {

using G = std::lock_guard<std::recursive_mutex>;

C_Ex_StorageMsgMem::~C_Ex_StorageMsgMem() {
  clear();
}

std::size_t C_Ex_StorageMsgMem::messageCount() {
  G g(m_cs);
  return m_list.size();
}

Ref<IMessageGNSS> C_Ex_StorageMsgMem::messageAt(std::size_t i) {
  G g(m_cs);
  return Ref<IMessageGNSS>(i < m_list.size() ? m_list[i] : nullptr);
}

std::size_t C_Ex_StorageMsgMem::countOf(const std::string& format, const std::string& id) {
  G g(m_cs);
  auto it = m_map.find({format, id});
  return it == m_map.end() ? 0 : it->second.count;
}

Ref<IMessageGNSS> C_Ex_StorageMsgMem::latest(const std::string& format, const std::string& id) {
  G g(m_cs);
  auto it = m_map.find({format, id});
  return Ref<IMessageGNSS>(it == m_map.end() ? nullptr : it->second.latest);
}

void C_Ex_StorageMsgMem::clear() {
  G g(m_cs);
  for (IMessageGNSS* m : m_list) m->Release();
  m_list.clear();
  for (auto& [k, e] : m_map)
    if (e.latest) e.latest->Release();
  m_map.clear();
  m_total = m_bytes = 0;
}

void C_Ex_StorageMsgMem::trimLocked() {
  while (m_list.size() > m_capacity) {
    m_list.front()->Release();
    m_list.pop_front();
  }
}

void C_Ex_StorageMsgMem::setCapacity(std::size_t n) {
  G g(m_cs);
  m_capacity = n;
  trimLocked();
}

std::size_t C_Ex_StorageMsgMem::capacity() {
  G g(m_cs);
  return m_capacity;
}
std::uint64_t C_Ex_StorageMsgMem::totalStored() {
  G g(m_cs);
  return m_total;
}
std::uint64_t C_Ex_StorageMsgMem::totalBytes() {
  G g(m_cs);
  return m_bytes;
}

IMessageGNSS* C_Ex_StorageMsgMem::createMessage(IMsgSetting* status) {
  return new TUnknown<C_MessageGNSS>(status);
}

bool C_Ex_StorageMsgMem::store(IMessageGNSS* message) {
  if (!message) return false;
  G g(m_cs);
  Entry& e = m_map[{message->format(), message->identifier()}];
  ++e.count;
  assignRef(e.latest, message);
  ++m_total;
  m_bytes += message->rawLength();
  if (m_capacity > 0) {
    message->AddRef();
    m_list.push_back(message);
    trimLocked();
  }
  return true;
}

std::map<std::pair<std::string, std::string>, std::size_t> C_Ex_StorageMsgMem::counts() {
  G g(m_cs);
  std::map<std::pair<std::string, std::string>, std::size_t> out;
  for (const auto& [k, e] : m_map) out[k] = e.count;
  return out;
}

}  // namespace engine
