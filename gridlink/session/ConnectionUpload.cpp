// Block uploads to a remote server: SendFile (any file, e.g. firmware) and SetMsg with a file.
// One opening request, then blocks of up to 2048 bytes, each answered "INS:..."; the send lock
// is held throughout, so other requests wait.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "gridlink/CBlockingSocketException.h"
#include "gridlink/platform/MessagePump.h"
#include "session/ConnectionEvents.h"
#include "session/ConnectionState.h"

namespace {

constexpr std::size_t kBlockData = 2048;
constexpr int kBlockWriteSeconds = 99999;
constexpr int kLastBlock = -2;
// The last block of an upload the caller stopped: it carries no data, and the server drops
// what it holds of the file instead of filing it as complete. A server that does not know
// the number stores nothing more and keeps its partial file unfinished.
constexpr int kCancelledBlock = -3;

struct FileCloser {
  std::FILE* f;
  ~FileCloser() {
    if (f) std::fclose(f);
  }
};

long fileSize(std::FILE* f) {
  std::fseek(f, 0, SEEK_END);
  const long n = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  return std::max(0L, n);
}

// "%04x" whole length, "00" + header, zero byte, data.
std::string blockPacket(const char* verb, int handle, int block, const char* data, std::size_t n) {
  char header[64];
  std::snprintf(header, sizeof header, "00%s %d %d", verb, handle, block);
  const std::size_t total = 4 + std::strlen(header) + 1 + n;
  char length[8];
  std::snprintf(length, sizeof length, "%04x", static_cast<unsigned>(total));
  std::string p = length;
  p += header;
  p.push_back('\0');
  p.append(data, n);
  return p;
}

}  // namespace

// The upload loop shared by SendFile and SetMsg; the caller holds the send lock and has sent
// the opening request with the given result.
static int uploadBlocks(CConnection& c, ConnectionState& s, std::FILE* f, const char* verb, int handle,
                        CConnection::ProgressCallback progress, std::uint32_t param) {
  const long size = fileSize(f);
  // "RE:OK. %06d": what the server already holds.
  long offset = 0;
  const std::string opened = c.GetReplyString();
  if (opened.size() > 7) offset = std::min(size, std::max(0L, std::atol(opened.c_str() + 7)));
  std::fseek(f, offset, SEEK_SET);
  bool goOn = true;
  char data[kBlockData];
  for (int block = 0;; ++block) {
    const std::size_t n = goOn ? std::fread(data, 1, kBlockData, f) : 0;
    offset += static_cast<long>(n);
    const bool last = offset >= size || !goOn;
    const std::string packet = blockPacket(verb, handle,
                                           !goOn  ? kCancelledBlock
                                           : last ? kLastBlock
                                                  : block,
                                           data, n);
    s.replyReady.Reset();
    s.waitingForReply = true;
    s.pendingReply = 1;
    const bool sent = s.socket.Write(packet.data(), static_cast<int>(packet.size()), kBlockWriteSeconds) ==
                      static_cast<int>(packet.size());
    const std::uint64_t waitMs = std::uint64_t{s.timeoutSeconds.load()} * 1000u + 2000u;
    const bool answered =
        sent && Platform::WaitPumping(
                    s.replyReady, static_cast<std::uint32_t>(std::min<std::uint64_t>(waitMs, 0xFFFFFFF0u)),
                    ServerLink::kReplySliceMs) == Platform::WaitResult::Signalled;
    s.waitingForReply = false;
    if (!answered) {
      s.pendingReply = 0;
      c.SetReply(CBlockingSocketException("Send data - timeout", 0).GetTextError().c_str());
      return 0;
    }
    if (!goOn) break;  // whatever the server answers, the upload ends here
    if (c.GetReplyString().rfind("INS:", 0) != 0) return 0;
    Platform::PumpMessages();
    goOn = progress ? progress(static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(size), param)
                    : true;
    if (last) break;
  }
  c.SetReply(goOn ? "RE:OK." : "RE:Aborted by user!");
  return goOn ? 1 : 0;
}

int CConnection::SendFile(const char* localFile, const char* remoteName, ProgressCallback progress,
                          std::uint32_t param) {
  ConnectionState& s = *m_State;
  // The blocks go out under one hold of the send lock, taken pumping like a request's.
  if (!ConnectionAccess::enterSend(*this, 0, nullptr)) return 0;
  std::lock_guard<Platform::FairLock> lock(s.sendLock, std::adopt_lock);
  const std::string remote = remoteName ? remoteName : "";
  if (remote.find_first_of(" \\") != std::string::npos || !progress) {
    SetReply("ERDLL: Whitespaces in file name or mistake 'callback'");
    return 0;
  }
  FileCloser file{std::fopen(localFile ? localFile : "", "rb")};
  if (!file.f) {
    SetReply((std::string("ERDLL:") + std::strerror(errno)).c_str());
    return 0;
  }
  if (s.local) {  // nothing to upload to
    const auto size = static_cast<std::uint32_t>(fileSize(file.f));
    progress(size, size, param);
    return 1;
  }
  const int handle = SendData(("LoadFile 0 " + remote).c_str(), 0);
  if (!handle) return 0;
  return uploadBlocks(*this, s, file.f, "LoadFile", handle, progress, param);
}

int CConnection::SetMsg(const char* user, const char* subject, const char* file, ProgressCallback progress,
                        std::uint32_t param) {
  ConnectionState& s = *m_State;
  if (!s.opened) return 0;
  if (!ConnectionAccess::enterSend(*this, 0, nullptr)) return 0;
  std::lock_guard<Platform::FairLock> lock(s.sendLock, std::adopt_lock);
  FileCloser f{std::fopen(file ? file : "", "rb")};
  if (!f.f) {
    SetReply("ERDLL: Cannot open file!");
    return 0;
  }
  const int handle =
      SendData((std::string("SetMsg 0 ") + (user ? user : "") + " " + (subject ? subject : "")).c_str(), 0);
  if (!handle || s.local) return 0;
  return uploadBlocks(*this, s, f.f, "SetMsg", handle, progress, param);
}
