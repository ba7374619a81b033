// Delivery of attached receiver data (message thread, under the connection's data lock) and
// the receiver's message buffer.
#include <algorithm>
#include <cstring>

#include "gridlink/CLogFile.h"
#include "gridlink/Framing.h"
#include "gridlink/platform/Event.h"
#include "session/ConnectionState.h"

namespace {

// A data message ends with the 8-bit checksum of everything before it.
bool checksumOk(const std::vector<unsigned char>& m) {
  return m.size() > Zrx::kHeaderSize && Zrx::checksum8(m.data(), m.size() - 1) == m.back();
}

std::uint16_t idOf(const std::vector<std::uint8_t>& m) {
  return m.size() >= 2 ? Zrx::msgcode(static_cast<char>(m[0]), static_cast<char>(m[1])) : 0;
}

}  // namespace

void ConnectionAccess::deliver(CReceiver& r, std::uint8_t attachSlot, std::uint8_t msgSlot,
                               const std::vector<std::uint8_t>& data) {
  if (attachSlot >= CReceiver::kAttachSlots) return;
  if (!r.m_Records) {
    if (CReceiver::DataCallback cb = r.m_Callbacks[attachSlot]) {
      r.m_MsgBuf.assign(data.begin(), data.end());
      r.m_LastSlot = attachSlot;
      cb(&r);
    }
    return;
  }
  // The cache speeds up the search, but only a record of the message's own id may take it:
  // messages that are not wrapped all come with slot 0.
  const std::uint16_t id = idOf(data);
  GPSDATA* rec = r.m_Cache[msgSlot];
  if (!rec || rec->id != id) {
    rec = nullptr;
    for (GPSDATA& g : *r.m_Records) {
      if (g.id == id) {
        rec = &g;
        break;
      }
    }
    if (!rec) return;
    r.m_Cache[msgSlot] = rec;
  }
  if (data.size() > rec->maxLength) {
    rec->data.clear();
    rec->maxLength = static_cast<std::uint16_t>(std::min<std::size_t>(data.size() + 8, 0xFFFF));
  }
  rec->data.assign(data.begin(), data.end());
  if (!rec->noCheck && !checksumOk(rec->data)) {
    rec->data.clear();
    ClientLog().WriteData("Bad checksum Msg --", data.data(), data.size());
    return;
  }
  if (rec->event) rec->event->Set();
}

void CReceiver::setMsgBuf(const unsigned char* bytes, int count) {
  m_MsgBuf.assign(bytes, bytes + std::max(count, 0));
}
void CReceiver::add2MsgBuf(const unsigned char* bytes, int count) {
  m_MsgBuf.insert(m_MsgBuf.end(), bytes, bytes + std::max(count, 0));
}
void CReceiver::add2MsgBuf(unsigned char b) {
  m_MsgBuf.push_back(b);
}
void CReceiver::setMsgBuf(std::uint32_t i, std::uint8_t b) {
  if (i < m_MsgBuf.size()) m_MsgBuf[i] = b;
}
std::uint8_t CReceiver::readMsgBuf(std::uint32_t i) const {
  return i < m_MsgBuf.size() ? m_MsgBuf[i] : 0xFF;
}
unsigned char* CReceiver::getMsgBuf(int i) {
  return i >= 0 && static_cast<std::size_t>(i) < m_MsgBuf.size() ? &m_MsgBuf[static_cast<std::size_t>(i)]
                                                                 : nullptr;
}

int CReceiver::GetMessageA(void* entry, char* out, std::uint16_t max) {
  auto* e = static_cast<unsigned char*>(entry);
  if (!e || !out) return 0;
  const unsigned length = e[0] | (unsigned{e[1]} << 8);
  if (length == 0 || e[2] != 0xAA) return 0;
  e[0] = e[1] = 0;
  e[2] = 0;
  const unsigned n = std::min<unsigned>(length, max);
  std::memcpy(out, e + 4, n);
  return static_cast<int>(n);
}
