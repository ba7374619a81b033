#include "gridserver/GridServer.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cstdio>

#include "gridlink/CBlockingSocketException.h"
#include "gridlink/platform/Clock.h"
#include "gridserver/ServerLog.h"
#include "session/ServerPacket.h"

namespace gridserver {
namespace {

constexpr int kAcceptSliceMs = 500;

void setOption(int fd, int level, int name) {
  const int on = 1;
  ::setsockopt(fd, level, name, &on, sizeof on);
}

}  // namespace

GridServer::GridServer(ServerOptions options)
    : m_Options(std::move(options)),
      m_Pool(m_Options.receivers),
      m_Guard(m_Options.throttle),
      m_Ctx{m_Users,
            m_Store,
            m_Pool,
            m_Options.stallSeconds,
            m_Options.limits,
            m_Guard,
            nullptr,
            m_Options.allowWatch,
            [this](const std::string& user, const std::string& text) { notifyUser(user, text); }} {}

GridServer::~GridServer() {
  Shutdown(15000);
}

bool GridServer::Start(std::string& error) {
  const MailboxQuota quota{m_Options.quotaMessages, std::uint64_t{m_Options.quotaMegabytes} << 20};
  if (!m_Users.Load(m_Options.usersFile, error) || !m_Store.Open(m_Options.storeDir, error, quota))
    return false;
  for (const std::string& warning : m_Users.Warnings()) logEvent(warning);
  if (!m_Options.tlsCert.empty()) {
    m_Tls = CTlsServerContext::Load(m_Options.tlsCert, m_Options.tlsKey, error);
    if (!m_Tls) return false;
    m_Ctx.tls = m_Tls.get();
  }
  try {
    const CSockAddr addr = m_Options.host == "0.0.0.0"
                               ? CSockAddr(0u, static_cast<std::uint16_t>(m_Options.port))
                               : CBlockingSocket::GetHostByName(m_Options.host.c_str(),
                                                                static_cast<std::uint16_t>(m_Options.port));
    m_Listener.Create(true);
    setOption(m_Listener.Handle(), SOL_SOCKET, SO_REUSEADDR);  // a restart must not wait for old sockets
    m_Listener.Bind(addr);
    listenWide();
    CSockAddr bound;
    m_Listener.GetSockAddr(bound);
    m_Port = bound.Port();
  } catch (const CBlockingSocketException& e) {
    std::string text;
    e.GetTextError(text);
    error = "cannot listen on " + m_Options.host + ":" + std::to_string(m_Options.port) + ": " + text;
    m_Listener.Cleanup();
    return false;
  }
  if (!m_Accept.Start([this](Platform::ThreadContext& ctx) { acceptLoop(ctx); })) {
    error = "cannot start the accepting thread";
    return false;
  }
  return true;
}

// A burst of connects must wait in the queue, not for a retry: the system's largest backlog.
void GridServer::listenWide() {
  int backlog = SOMAXCONN;
  if (std::FILE* f = std::fopen("/proc/sys/net/core/somaxconn", "r")) {
    int most = 0;
    if (std::fscanf(f, "%d", &most) == 1 && most > backlog) backlog = most;
    std::fclose(f);
  }
  if (::listen(m_Listener.Handle(), backlog) != 0) throw CBlockingSocketException("Listen");
}

bool GridServer::makeRoom(const std::string& address) {
  std::lock_guard l(m_SessionsLock);
  ClientSession* oldestHere = nullptr;
  ClientSession* oldest = nullptr;
  std::size_t here = 0, kept = 0;
  for (auto& s : m_Sessions) {
    if (s->Finished() || s->Evicted()) continue;
    ++kept;
    if (s->LoggedIn()) continue;
    if (!oldest) oldest = s.get();
    if (s->Address() != address) continue;
    if (!oldestHere) oldestHere = s.get();
    ++here;
  }
  ClientSession* evict = nullptr;
  if (here >= m_Options.limits.maxPendingPerAddress)
    evict = oldestHere;
  else if (kept >= m_Options.limits.maxConnections)
    evict = oldest;
  const bool room = evict || kept < m_Options.limits.maxConnections;
  if (evict) evict->Evict();
  if (evict || !room) {
    // Counted, and logged at most every 10 s: a flood must not become a flood of lines.
    ++m_Turned;
    const std::uint32_t now = Platform::GetTickCount();
    if (m_Turned == 1 || now - m_TurnedLog >= 10000) {
      logEvent("connection limit reached (" + address + "): " + std::to_string(m_Turned) +
               " waiting logins dropped or connections refused so far");
      m_TurnedLog = now;
    }
  }
  return room;
}

void GridServer::acceptLoop(Platform::ThreadContext& ctx) {
  while (!ctx.StopRequested()) {
    auto peer = std::make_unique<CBlockingSocket>();
    CSockAddr from;
    bool got = false;
    try {
      got = m_Listener.Accept(*peer, from, kAcceptSliceMs);
    } catch (const CBlockingSocketException&) {
      if (ctx.WaitStop(kAcceptSliceMs)) break;  // e.g. out of descriptors: try again later
    }
    reap();
    if (!got) continue;
    if (!makeRoom(from.DottedDecimal())) continue;  // the peer's socket closes here
    setOption(peer->Handle(), IPPROTO_TCP, TCP_NODELAY);
    auto session = std::make_unique<ClientSession>(m_Ctx, std::move(peer),
                                                   from.DottedDecimal() + ":" + std::to_string(from.Port()));
    std::lock_guard l(m_SessionsLock);
    if (m_Shut || !session->Start()) continue;
    m_Sessions.push_back(std::move(session));
  }
}

void GridServer::reap() {
  std::list<std::unique_ptr<ClientSession>> done;
  {
    std::lock_guard l(m_SessionsLock);
    for (auto it = m_Sessions.begin(); it != m_Sessions.end();) {
      auto next = std::next(it);
      if ((*it)->Finished()) done.splice(done.end(), m_Sessions, it);
      it = next;
    }
  }
  // Joined outside the lock: a finishing session may still be telling another user something.
}

void GridServer::notifyUser(const std::string& user, const std::string& text) {
  std::lock_guard l(m_SessionsLock);
  for (auto& s : m_Sessions)
    if (!s->Finished() && s->User() == user) s->Send(ServerLink::makeType(10, 0), 0, 0, text);
}

std::size_t GridServer::SessionCount() const {
  std::lock_guard l(m_SessionsLock);
  std::size_t n = 0;
  for (const auto& s : m_Sessions) n += s->Finished() ? 0 : 1;
  return n;
}

bool GridServer::Shutdown(std::uint32_t timeoutMs) {
  std::list<std::unique_ptr<ClientSession>> sessions;
  {
    std::lock_guard l(m_SessionsLock);
    if (m_Shut) return true;
    m_Shut = true;
    sessions.swap(m_Sessions);
  }
  m_Accept.RequestStop();
  m_Listener.Cleanup();
  m_Accept.Join(5000);
  logEvent("shutting down");
  for (auto& s : sessions)
    if (!s->Finished()) s->Shutdown("ER:Server is shutting down");
  const std::uint32_t start = Platform::GetTickCount();
  bool all = true;
  for (auto& s : sessions) {
    const std::uint32_t spent = Platform::GetTickCount() - start;
    if (!s->Join(spent < timeoutMs ? timeoutMs - spent : 0)) all = false;
  }
  if (all)
    sessions.clear();
  else
    for (auto& s : sessions) (void)s.release();  // still busy with a receiver; the process ends anyway
  return all;
}

}  // namespace gridserver
