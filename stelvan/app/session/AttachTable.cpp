#include "session/AttachTable.h"

#include "gridlink/CReceiver.h"
#include "gridlink/Framing.h"

namespace session {

const std::vector<AttachTable::Row>& AttachTable::rows() {
  static const std::vector<Row> table = {
      {"||", true},  {"~~", false}, {"RD", false}, {"SI", false}, {"NN", false}, {"EL", false},
      {"AZ", false}, {"EC", false}, {"E1", false}, {"E2", false}, {"E3", false}, {"E5", false},
      {"TC", false}, {"SS", false}, {"DC", false}, {"PV", false}, {"PG", false}, {"DO", false},
      {"OO", false}, {"TT", false}, {"DP", false}, {"PO", false}, {"VE", false}, {"GA", false},
      {"NA", false}, {"MS", true},  {"SG", true},  {"XA", true},  {"XB", true},  {"SE", false}};
  return table;
}

const char* AttachTable::localList() {
  return "PG,PV,DP,MS,RT,RD,OO,TT,XA,XB,SG,SI,SE,NN,EL,DO,GA,NA,DC,AZ,EC,E1,E2,E3,E5,TC,SS,EE";
}

const char* AttachTable::remoteList() {
  return "PG,PV,DP,MS,RT,RD,OO,TT,XA,SG,SI,SE,NN,EL,DO,GA,NA,DC,AZ,EC,TC,SS,EE";
}

AttachTable::AttachTable(Platform::Event& roundEnd) : m_RoundEnd(roundEnd), m_Latest(rows().size()) {}

AttachTable::~AttachTable() {
  unbind();
}

void AttachTable::bind(CReceiver* receiver) {
  m_Binding = CallbackRegistry::instance().data.add({receiver, 0}, [this](CReceiver* r) {
    if (r->getMsgBufSize() > 0) store(r->getMsgBuf(0), static_cast<std::size_t>(r->getMsgBufSize()));
  });
}

void AttachTable::unbind() {
  m_Binding.reset();
}

void AttachTable::store(const unsigned char* bytes, std::size_t size) {
  if (size < Zrx::kHeaderSize) return;
  const auto& table = rows();
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (bytes[0] != static_cast<unsigned char>(table[i].id[0]) ||
        bytes[1] != static_cast<unsigned char>(table[i].id[1]))
      continue;
    // A message that fails its checksum is dropped, as the record form of Attach would.
    if (!table[i].noCheck && Zrx::checksum8(bytes, size - 1) != bytes[size - 1]) return;
    {
      std::lock_guard l(m_Lock);
      m_Latest[i].assign(reinterpret_cast<const char*>(bytes), size);
    }
    if (i == 0) m_RoundEnd.Set();
    return;
  }
}

int AttachTable::takeFresh(std::vector<std::string>& out) {
  std::lock_guard l(m_Lock);
  out.assign(m_Latest.size(), std::string());
  int count = 0;
  for (std::size_t i = 0; i < m_Latest.size(); ++i) {
    if (m_Latest[i].empty() || m_Latest[i][0] == 0) continue;
    out[i].swap(m_Latest[i]);
    m_Latest[i].clear();
    ++count;
  }
  return count;
}

}  // namespace session
