// CReceiver::WriteRaw: raw bytes through the connection to the receiver's own link.
#include <algorithm>

#include "gridlink/CReceiver.h"
#include "session/ConnectionState.h"
#include "session/PacketScrambler.h"
#include "session/RawWriteText.h"

static_assert(CReceiver::kRawWriteChunk <= ServerLink::kRawWriteMaxBytes);
// Header, verb and two digits a byte inside one scrambled packet.
static_assert(6 + 9 + 2 * CReceiver::kRawWriteRemoteChunk <= ServerLink::kMaxPlain);

int CReceiver::WriteRaw(const void* bytes, std::size_t count, std::string& reply, std::uint32_t waitMs) {
  if (!CheckDevice()) {
    reply = GetReplyString();
    return 0;
  }
  CConnection* conn = m_Conn.load();
  if (!conn) return 0;
  // A remote server is given as long as a command to answer; a local write is bounded by the link.
  constexpr std::uint32_t kRemoteLimitMs = 10000;
  const auto* p = static_cast<const unsigned char*>(bytes);
  const std::size_t chunk = ConnectionAccess::state(*conn).local ? kRawWriteChunk : kRawWriteRemoteChunk;
  for (std::size_t done = 0; done < count;) {
    const std::size_t n = std::min(count - done, chunk);
    const std::string request = ServerLink::EncodeRawWrite(p + done, n);
    if (!ConnectionAccess::exchange(*conn, request, m_RcvId, &reply, kRemoteLimitMs, waitMs == 0 ? 1 : waitMs,
                                    kRawWriteBusy))
      return 0;
    done += n;
  }
  return 1;
}
