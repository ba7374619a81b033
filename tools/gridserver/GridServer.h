#pragma once
// The server: a listening socket, one ClientSession per connected client, the users, the
// message store and the receivers they share. Start and Shutdown from one thread.
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "gridlink/CBlockingSocket.h"
#include "gridlink/platform/Thread.h"
#include "gridserver/ClientSession.h"
#include "gridserver/ServerOptions.h"

namespace gridserver {

class GridServer {
 public:
  explicit GridServer(ServerOptions options);
  ~GridServer();
  GridServer(const GridServer&) = delete;
  GridServer& operator=(const GridServer&) = delete;

  // Loads the users, opens the store and listens; false with a message for the operator.
  bool Start(std::string& error);
  // The port listened on (the chosen one when the options asked for port 0).
  unsigned Port() const { return m_Port; }
  // Tells every client the server ends (packet kind 15), stops accepting and ends every
  // session. True when all of them ended within timeoutMs.
  bool Shutdown(std::uint32_t timeoutMs);
  std::size_t SessionCount() const;

 private:
  void acceptLoop(Platform::ThreadContext& ctx);
  // Makes room for one more connection from `address`; false when every kept one has logged in
  // and the server is full.
  bool makeRoom(const std::string& address);
  void listenWide();
  void notifyUser(const std::string& user, const std::string& text);
  void reap();

  ServerOptions m_Options;
  UserDirectory m_Users;
  MessageStore m_Store;
  ReceiverPool m_Pool;
  LoginGuard m_Guard;
  std::unique_ptr<CTlsServerContext> m_Tls;
  ServerContext m_Ctx;
  CBlockingSocket m_Listener;
  unsigned m_Port = 0;
  Platform::Thread m_Accept{"gridaccept", 5000};
  mutable std::mutex m_SessionsLock;
  std::list<std::unique_ptr<ClientSession>> m_Sessions;
  bool m_Shut = false;
  std::uint64_t m_Turned = 0;     // connections refused or evicted at a cap (accept thread)
  std::uint32_t m_TurnedLog = 0;  // when that was last logged
};

}  // namespace gridserver
