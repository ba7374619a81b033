// The session's thread, its writes, and the receiver requests. Message requests and uploads
// are in SessionMessages.cpp.
#include "gridserver/ClientSession.h"

#include <sys/socket.h>

#include <cstdio>

#include "gridlink/platform/Clock.h"
#include "gridserver/ServerLog.h"
#include "session/PacketScrambler.h"
#include "session/ServerPacket.h"

namespace gridserver {
namespace {

constexpr int kReadSliceSeconds = 1;
// Junk a client may send before its first good packet before it is dropped.
constexpr std::size_t kJunkLimit = 64 * 1024;
constexpr std::string_view kLockSuffix = " Lock";
constexpr std::string_view kWatchSuffix = " Watch";

// Requests a receiver answers, forwarded to the local server that drives it.
bool isReceiverRequest(const std::string& name) {
  return name == "CloseRcv" || name == "Command" || name == "Attach" || name == "Detach" ||
         name == "DownloadFile" || name == "CancelDownload" || name == "LoadFirmware" ||
         name == "DetectRcv" || name == "WriteRaw";
}

}  // namespace

ClientSession::ClientSession(ServerContext& ctx, std::unique_ptr<CBlockingSocket> socket, std::string peer)
    : m_Ctx(ctx),
      m_Socket(std::move(socket)),
      m_Peer(std::move(peer)),
      m_Address(m_Peer.substr(0, m_Peer.rfind(':'))),
      m_Thread("gridsession", 15000) {}

ClientSession::~ClientSession() {
  Stop();
  m_Thread.Join(15000);
}

bool ClientSession::Start() {
  return m_Thread.Start([this](Platform::ThreadContext& ctx) { run(ctx); });
}

void ClientSession::Stop() {
  m_Thread.RequestStop();
  m_Socket->Cleanup();
}

void ClientSession::Evict() {
  // Only woken here: the session thread closes the socket itself, so its descriptor is never
  // reused under it.
  m_Evicted = true;
  m_Thread.RequestStop();
  std::lock_guard l(m_CloseLock);
  if (!m_Closed) ::shutdown(m_Socket->Handle(), SHUT_RDWR);
}

void ClientSession::Shutdown(std::string_view text) {
  Send(ServerLink::makeType(15, 0), 0, 0, text);
  Stop();
}

std::string ClientSession::User() const {
  std::lock_guard l(m_UserLock);
  return m_User;
}

void ClientSession::log(const std::string& line) const {
  const std::string user = User();
  logEvent(m_Peer + (user.empty() ? "" : " " + user) + ": " + line);
}

bool ClientSession::Send(std::uint16_t type, std::uint8_t rcvId, std::uint8_t result,
                         std::string_view payload) {
  if (m_Broken) return false;
  const std::string packet =
      ServerLink::buildServerPacket(type, rcvId, result, payload, ServerLink::PacketForm::Remote);
  if (packet.empty()) return false;
  std::lock_guard l(m_WriteLock);
  int written;
  if (m_Scramble && packet.size() <= ServerLink::kMaxPlain) {
    const auto frame =
        ServerLink::CryptPacket(reinterpret_cast<const std::uint8_t*>(packet.data()), packet.size());
    written = m_Socket->Write(reinterpret_cast<const char*>(frame.data()), static_cast<int>(frame.size()),
                              kWriteSeconds) == static_cast<int>(frame.size());
  } else {
    written = m_Socket->Write(packet.data(), static_cast<int>(packet.size()), kWriteSeconds) ==
              static_cast<int>(packet.size());
  }
  if (!written && !m_Broken.exchange(true)) {
    logEvent(m_Peer + ": client does not take its packets, connection dropped");
    m_Socket->Cleanup();
  }
  return written;
}

void ClientSession::reply(std::uint8_t rcvId, int result, std::string_view text) {
  Send(ServerLink::makeType(0, 0), rcvId, static_cast<std::uint8_t>(result), text);
}

void ClientSession::run(Platform::ThreadContext& ctx) {
  m_RunCtx = &ctx;
  log("connected");
  std::string tlsError;
  // In this thread, not the accepting one: a slow or silent peer holds only itself up.
  if (m_Ctx.tls &&
      !m_Socket->StartTlsServer(*m_Ctx.tls, static_cast<int>(m_Ctx.limits.loginSeconds * 1000u), tlsError)) {
    log(tlsError + ", connection dropped");
    m_Broken = true;
  }
  ServerLink::RequestReader reader;
  std::uint32_t stalledSince = 0;
  bool stalled = false;
  const std::uint32_t connectedAt = Platform::GetTickCount();
  while (!ctx.StopRequested() && !m_Broken) {
    if (User().empty() && Platform::GetTickCount() - connectedAt >= m_Ctx.limits.loginSeconds * 1000u) {
      log("no login within " + std::to_string(m_Ctx.limits.loginSeconds) + " s, connection dropped");
      break;
    }
    const auto room = reader.writable();
    const int n = m_Socket->_Read(reinterpret_cast<char*>(room.data()), static_cast<int>(room.size()),
                                  kReadSliceSeconds);
    if (n == -2) {
      // A quiet client is fine; one that leaves half a packet for too long is not.
      if (reader.buffered() == 0) continue;
      if (!stalled) stalledSince = Platform::GetTickCount(), stalled = true;
      if (Platform::GetTickCount() - stalledSince < m_Ctx.stallSeconds * 1000u) continue;
      log("stalled in the middle of a packet, connection dropped");
      break;
    }
    if (n <= 0) break;
    stalled = false;
    reader.commit(static_cast<std::size_t>(n));
    if (!takeRequests(reader)) break;
  }
  logJunk();
  releaseAll();
  {
    std::lock_guard l(m_CloseLock);
    m_Socket->Cleanup();
    m_Closed = true;
  }
  log("disconnected");
  m_Finished = true;
}

// Handles what the reader holds; false when the client sends nothing but junk.
bool ClientSession::takeRequests(ServerLink::RequestReader& reader) {
  ServerLink::IncomingRequest r;
  for (;;) {
    const std::size_t before = reader.buffered();
    const ServerLink::RequestScan s = reader.next(r);
    if (s == ServerLink::RequestScan::NeedMore) return true;
    if (s == ServerLink::RequestScan::Dropped) {
      // One line per reason as it first happens and one with the count at the end: a
      // stream of junk must not become a stream of log lines.
      auto& [count, bytes] = m_Junk[std::string(reader.lastDrop())];
      if (count++ == 0) log("malformed packet dropped (" + std::string(reader.lastDrop()) + ")");
      bytes += before - reader.buffered();
      m_JunkBytes += before - reader.buffered();
      if (!m_Spoke && m_JunkBytes >= kJunkLimit) {
        log("sends nothing but malformed packets, connection dropped");
        return false;
      }
      continue;
    }
    m_Spoke = true;
    if (s == ServerLink::RequestScan::Block) {
      uploadBlock(r);
    } else {
      m_Scramble = r.scrambled;
      handle(r);
    }
  }
}

void ClientSession::logJunk() {
  for (const auto& [why, seen] : m_Junk)
    if (seen.first > 1)
      log(std::to_string(seen.first) + " malformed packets dropped (" + why + "), " +
          std::to_string(seen.second) + " bytes");
}

void ClientSession::handle(const ServerLink::IncomingRequest& r) {
  const std::string& text = r.text;
  const std::size_t blank = text.find(' ');
  const std::string name = text.substr(0, blank);
  std::string_view arg;
  if (blank != std::string::npos) {
    arg = std::string_view(text).substr(blank);
    while (!arg.empty() && arg.front() == ' ') arg.remove_prefix(1);
  }
  if (name == "OpenUsr") {
    m_Reply = "RE:OK.";
    const int result = openUsr(arg);
    reply(r.rcvId, result, m_Reply);
    return;
  }
  if (User().empty()) {
    reply(r.rcvId, 0, "ER:User is not opened!");
    return;
  }
  if (name == "OpenRcv") return openRcv(arg, r.rcvId);
  if (isReceiverRequest(name)) return receiverRequest(name, text, r.rcvId);
  m_Reply = "RE:OK.";
  int result = 0;
  if (name == "CloseUsr" || name == "Ping") {
    result = 1;
  } else if (name == "GetRcvList") {
    result = getRcvList();
  } else if (name == "GetUsrList") {
    result = getUsrList();
  } else if (name == "GetMsgList") {
    result = getMsgList();
  } else if (name == "GetMsg") {
    result = getMsg(arg);
  } else if (name == "SetMsg") {
    result = setMsg(arg);
  } else if (name == "DeleteMsg") {
    result = deleteMsg(arg);
  } else if (name == "LoadFile") {
    result = loadFile(arg);
  } else if (name == "GetSourceTable") {
    m_Reply = "ER:Don't support";
  } else {
    m_Reply = "ER:Unknown request type";
  }
  reply(r.rcvId, result, m_Reply);
}

int ClientSession::openUsr(std::string_view arg) {
  char words[3][256] = {};
  const std::string a(arg);
  std::sscanf(a.c_str(), "%255s %255s %255s", words[0], words[1], words[2]);
  if (m_Ctx.guard.Locked(words[0], m_Address)) {
    m_Reply = "ER:Too many failed logins, try again later!";
    return 0;
  }
  if (!m_Ctx.users.Check(words[0], words[1])) {
    log(std::string("login refused for \"") + words[0] + "\"");
    // The wait is this connection's alone: the session thread serves nobody else.
    const std::uint32_t wait = m_Ctx.guard.Failed(words[0], m_Address);
    if (m_RunCtx) m_RunCtx->WaitStop(wait);
    m_Reply = "ER:Wrong user name or password!";
    return 0;
  }
  m_Ctx.guard.Succeeded(words[0], m_Address);
  {
    std::lock_guard l(m_UserLock);
    m_User = words[0];
  }
  log(std::string("logged in (") + (words[2][0] ? words[2] : "no application") + ")");
  return 1;
}

int ClientSession::getRcvList() {
  std::string list = "RE:";
  for (const std::string& rcv : m_Ctx.pool.List()) list += rcv + ",";
  m_Reply = list;
  // The client counts one less than the result value.
  return static_cast<int>(m_Ctx.pool.List().size()) + 1;
}

void ClientSession::openRcv(std::string_view arg, std::uint8_t rcvId) {
  std::string rcv(arg);
  if (rcv.size() > kLockSuffix.size() &&
      rcv.compare(rcv.size() - kLockSuffix.size(), kLockSuffix.size(), kLockSuffix) == 0)
    rcv.resize(rcv.size() - kLockSuffix.size());
  if (rcv.size() > kWatchSuffix.size() &&
      rcv.compare(rcv.size() - kWatchSuffix.size(), kWatchSuffix.size(), kWatchSuffix) == 0) {
    rcv.resize(rcv.size() - kWatchSuffix.size());
    return watchRcv(rcv, rcvId);
  }
  if (rcvId == 0 || m_Held.count(rcvId)) {
    reply(rcvId, 0, rcvId ? "ER:Connection was not closed correctly!" : "ER:Receiver is not open!");
    return;
  }
  rcv = m_Ctx.pool.Resolve(rcv);
  if (rcv.empty()) {
    reply(rcvId, 0, "ER:Can't find receiver.");
    return;
  }
  std::string heldBy;
  if (!m_Ctx.pool.Acquire(rcv, this, User() + " at " + m_Peer, heldBy)) {
    log("refused " + rcv + ": held by " + heldBy);
    reply(rcvId, 0, "ER:Receiver is locked by " + heldBy);
    return;
  }
  auto hold = std::make_unique<ReceiverHold>(
      rcv, m_Ctx.pool.Configured(rcv),
      [this](std::uint16_t type, std::uint8_t id, std::uint8_t result, std::string_view payload) {
        return Send(type, id, result, payload);
      });
  hold->SetDataTap([this, rcv](std::uint16_t type, std::uint8_t result, std::string_view payload) {
    m_Ctx.pool.ToWatchers(rcv, type, result, payload);
  });
  if (hold->Open(User(), rcvId) == 0) {
    hold.reset();
    m_Ctx.pool.Release(rcv, this);
    log("could not open " + rcv);
    return;
  }
  log("opened " + rcv);
  m_Held.emplace(rcvId, std::move(hold));
}

bool ClientSession::uploadedFirmware(std::string_view text, std::string& rewritten) const {
  char file[1024] = {}, rest[64] = {};
  const std::string request(text);
  if (std::sscanf(request.c_str(), "LoadFirmware %1023s %63[^\n]", file, rest) < 1) return false;
  const std::string path = m_Ctx.store.UploadedFile(User(), file);
  // The transfer reads its file name as one word.
  if (path.empty() || path.find_first_of(" \t") != std::string::npos) return false;
  rewritten = "LoadFirmware " + path + (rest[0] ? " " + std::string(rest) : std::string());
  return true;
}

// "OpenRcv NAME Watch": the holder's data, read-only, when the server allows it.
void ClientSession::watchRcv(const std::string& name, std::uint8_t rcvId) {
  const std::string rcv = m_Ctx.pool.Resolve(name);
  if (rcvId == 0 || m_Held.count(rcvId) || m_Watching.count(rcvId)) {
    reply(rcvId, 0, rcvId ? "ER:Connection was not closed correctly!" : "ER:Receiver is not open!");
  } else if (!m_Ctx.allowWatch) {
    reply(rcvId, 0, "ER:This server does not allow watching receivers");
  } else if (rcv.empty()) {
    reply(rcvId, 0, "ER:Can't find receiver.");
  } else {
    std::string who;
    const auto sink = [this, rcvId](std::uint16_t type, std::uint8_t result, std::string_view payload) {
      return Send(type, rcvId, result, payload);
    };
    if (!m_Ctx.pool.Watch(rcv, this, sink, who)) {
      reply(rcvId, 0, "ER:Nobody holds " + rcv + ": open it instead of watching");
      return;
    }
    m_Watching[rcvId] = rcv;
    log("watching " + rcv + " held by " + who);
    reply(rcvId, 1, "RE:OK. Watching, held by " + who);
  }
}

// A watcher reads only: its attach takes what the holder already gets, and nothing reaches the
// receiver.
void ClientSession::watcherRequest(const std::string& name, std::uint8_t rcvId) {
  if (name == "CloseRcv") {
    m_Ctx.pool.Unwatch(m_Watching[rcvId], this);
    log("stopped watching " + m_Watching[rcvId]);
    m_Watching.erase(rcvId);
    reply(rcvId, 1, "RE:OK.");
  } else if (name == "Attach" || name == "Detach") {
    reply(rcvId, 1, "RE:OK.");
  } else {
    reply(rcvId, 0, "ER:Read only: this receiver is watched, another user holds it");
  }
}

void ClientSession::receiverRequest(const std::string& name, std::string_view text, std::uint8_t rcvId) {
  if (m_Watching.count(rcvId)) return watcherRequest(name, rcvId);
  const auto it = m_Held.find(rcvId);
  if (it == m_Held.end()) {
    reply(rcvId, 0, "ER:Receiver is not open!");
    return;
  }
  if (name == "LoadFirmware") {
    // A remote client names the file it uploaded; the transfer reads it from the user's store.
    // Nothing outside that folder is ever sent to a receiver.
    std::string rewritten;
    if (!uploadedFirmware(text, rewritten)) {
      reply(rcvId, 0, "ER:Can't open file!");
      return;
    }
    it->second->Process(rewritten, rcvId);
    return;
  }
  if (name != "CloseRcv") {
    it->second->Process(text, rcvId);
    return;
  }
  // Released before the client hears "closed": its next open, or another client's, must find
  // the receiver free.
  std::string closed;
  const int result = it->second->ProcessKeepingReply(text, rcvId, closed);
  const std::string rcv = it->second->Receiver();
  m_Held.erase(it);
  m_Ctx.pool.Release(rcv, this);
  log("closed " + rcv);
  reply(rcvId, result, closed);
}

void ClientSession::releaseAll() {
  for (const auto& [id, rcv] : m_Watching) m_Ctx.pool.Unwatch(rcv, this);
  m_Watching.clear();
  for (auto& [id, hold] : m_Held) {
    hold->CloseQuietly(id);
    const std::string rcv = hold->Receiver();
    hold.reset();
    m_Ctx.pool.Release(rcv, this);
    log("released " + rcv);
  }
  m_Held.clear();
}

}  // namespace gridserver
