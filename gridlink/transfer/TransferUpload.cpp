// Upload: a local file goes into the receiver block by block, each sent when the receiver
// asks for it (NAK: again, ACK: the next); afterwards the receiver may load it as firmware.
#include <cstdio>
#include <cstdlib>

#include "gridlink/CLogFile.h"
#include "gridlink/platform/Clock.h"
#include "links/CReceiverConnection.h"
#include "transfer/CTransferProtocol.h"

namespace {

constexpr std::uint8_t kFirstAbortCode = 33;
constexpr std::uint8_t kLastAbortCode = 47;

// The text of a reply behind its echoed "%XX%" identifier.
std::string afterIdentifier(const std::string& reply) {
  const std::size_t close = reply.size() > 5 && reply[5] == '%' ? reply.find('%', 6) : std::string::npos;
  return close == std::string::npos ? reply.substr(std::min<std::size_t>(5, reply.size()))
                                    : reply.substr(close + 1);
}

}  // namespace

bool CTransferProtocol::StartUpload() {
  m_File = std::fopen(m_FileName.c_str(), "rb");
  if (!m_File) {
    setStatus("ER:Can't open file!");
    return false;
  }
  std::fseek(m_File, 0, SEEK_END);
  m_Remaining = std::ftell(m_File);
  std::fseek(m_File, 0, SEEK_SET);
  const std::size_t cut = m_FileName.find_last_of("/\\");
  if (cut != std::string::npos) m_FileName.erase(0, cut + 1);

  std::string reply;
  if (!command("%FS%print,/par/dev/blk/a/free", reply)) return false;
  if (m_Remaining > std::atoll(afterIdentifier(reply).c_str())) {
    setStatus("RE:Not enough free space!");
    return false;
  }
  m_Link.SendCommand("%RF%remove,/log/" + m_FileName, reply, kCommandMs);
  char put[1200];
  std::snprintf(put, sizeof put, "%%LF%%put,/log/%s:{10,%d},0", m_FileName.c_str(), m_BlockSize);
  if (!command(put, reply)) return false;
  m_Link.SetReaderMode(ReaderMode::Latest);
  return startThread(&CTransferProtocol::uploadThread);
}

void CTransferProtocol::prepareUploadBlock() {
  m_Block.assign(m_BlockSize + 6u, '\0');
  const std::size_t got = std::fread(m_Block.data() + 3, 1, m_BlockSize, m_File);
  m_Remaining -= static_cast<long long>(got);
  m_BlockFlag = m_Remaining > 0;
  const std::uint16_t field = m_BlockFlag ? m_BlockCount : static_cast<std::uint16_t>(got);
  m_Block[0] = static_cast<char>(m_BlockFlag ? kTagMore : kTagLast);
  m_Block[1] = static_cast<char>(field & 0xFF);
  m_Block[2] = static_cast<char>(field >> 8);
  m_RunningCrc = BlockCrc(reinterpret_cast<const std::uint8_t*>(m_Block.data()), m_BlockSize, m_RunningCrc);
  m_Block[m_BlockSize + 3u] = static_cast<char>(m_RunningCrc & 0xFF);
  m_Block[m_BlockSize + 4u] = static_cast<char>(m_RunningCrc >> 8);
  m_Block[m_BlockSize + 5u] = static_cast<char>(kBlockEnd);
  ++m_BlockCount;
  char text[32];
  std::snprintf(text, sizeof text, "INW:%04d %04d", m_BlockCount % 10000, static_cast<int>(got % 10000));
  packet(kUploadPacket, text);
}

void CTransferProtocol::sendUploadBlock() {
  std::string discard;
  m_Link.TakeRawBytes(discard);
  m_Link.Write(m_Block.data(), m_Block.size());
}

// Answers the receiver's handshakes until it has acknowledged the last block. The last block
// is only done once acknowledged: a damaged one is sent again like any other.
bool CTransferProtocol::uploadHandshakes() {
  bool sent = false;
  int timeouts = 0, naks = 0;
  for (;;) {
    const bool signalled = m_Ready.Wait(kUploadWaitMs) == Platform::WaitResult::Signalled;
    if (m_AbortRequested.load()) return setStatus("ER:Aborted by user!"), false;
    std::string answer;
    m_Link.TakeRawBytes(answer);
    if (!signalled && answer.empty()) {
      if (++timeouts >= kUploadTimeouts) return setStatus("ER:Receiver don't reply!"), false;
      continue;
    }
    if (answer.empty()) continue;
    timeouts = 0;
    const auto b = static_cast<std::uint8_t>(answer[0]);
    if (b == kAck && sent) {
      if (!m_BlockFlag) return true;
      prepareUploadBlock();
      sendUploadBlock();
      naks = 0;
    } else if (b == kNak) {
      if (++naks > kMaxCrcRetries) return setStatus("ER:Retry > MAX."), false;
      sendUploadBlock();
      sent = true;
    } else if (b >= kFirstAbortCode && b <= kLastAbortCode) {
      char text[64];
      std::snprintf(text, sizeof text, "ER:Aborted with code %#x", b);
      return setStatus(text), false;
    }
  }
}

void CTransferProtocol::uploadThread(Platform::ThreadContext&) {
  ClientLog().WriteTimed("Upload thread started.");
  setStatus("RE:Incomplete Downloading");
  prepareUploadBlock();
  m_AllAcknowledged = uploadHandshakes();
  m_Link.SetReaderMode(ReaderMode::Frames);
  std::string ignored;
  m_Link.SendCommand("###\ndm\n", ignored, 0);
  // Their replies carry no identifier: let them pass before anyone sends the next command.
  m_Link.WaitQuiet(kQuietMs, kQuietMaxMs);
  if (m_AllAcknowledged) {
    if (m_Offset == 0)
      loadFirmware();
    else
      setStatus("RE:Complete Downloading.");
  }
  const std::string status = StatusText();
  packet(kUploadPacket, status);
  char line[200];
  std::snprintf(line, sizeof line, "Upload thread stopped NBL=%d SBL=%d ", m_BlockCount, m_BlockSize);
  ClientLog().WriteTimed(line + status);
}

void CTransferProtocol::loadFirmware() {
  // The replies of the stop text may still come: both commands carry an identifier.
  std::string reply;
  if (!command("%RI%print,/par/rcvid", reply)) return;
  const std::string rcvid = afterIdentifier(reply);
  if (!command("%UF%fld," + rcvid + ",/log/" + m_FileName, reply)) return;
  setStatus("RE:Complete Downloading.");
  // The receiver restarts with the new firmware; a stop request cuts the wait short.
  const std::uint32_t start = Platform::GetTickCount();
  while (!m_AbortRequested.load()) {
    const std::uint32_t waited = Platform::GetTickCount() - start;
    if (waited >= kFirmwareLoadMs) break;
    m_Ready.Wait(kFirmwareLoadMs - waited);
  }
}
