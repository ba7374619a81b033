#pragma once
// What every client session of a server shares. Owned by the GridServer; outlives its sessions.
#include <functional>
#include <string>

#include "gridlink/TlsContext.h"
#include "gridserver/LoginGuard.h"
#include "gridserver/MessageStore.h"
#include "gridserver/ReceiverPool.h"
#include "gridserver/UserDirectory.h"

namespace gridserver {

struct ServerContext {
  const UserDirectory& users;
  MessageStore& store;
  ReceiverPool& pool;
  unsigned stallSeconds;
  const ConnectionLimits& limits;
  LoginGuard& guard;
  // Null: plain connections.
  const CTlsServerContext* tls;
  // Others may watch a held receiver's data, read-only.
  bool allowWatch;
  // Tells every session of `user` about a new message (server event, packet kind 10).
  std::function<void(const std::string& user, const std::string& text)> notifyUser;
};

}  // namespace gridserver
