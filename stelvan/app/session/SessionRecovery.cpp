// The session thread's way back after a live session lost its receiver or its server: the
// same receiver string is opened again behind a connection that still works; a remote server
// that went away is logged in to again with the same user and password, and the receiver
// opened there again. Both with a growing pause between tries, until the receiver is back,
// the server refuses the login, or Disconnect.
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "gridlink/ReconnectBackoff.h"
#include "session/ReceiverSession.h"

namespace session {
namespace {

// A login that reached a server which answered and refused it: its own "ER" reply. The
// library's "ERDLL" texts mean no server was reached or the line broke on the way.
bool refusedByServer(const std::string& reply) {
  return reply.rfind("ER", 0) == 0 && reply.rfind("ERDLL", 0) != 0;
}

std::string withoutErrorPrefix(const std::string& text) {
  for (const char* prefix : {"ERDLL:", "ER:"})
    if (text.rfind(prefix, 0) == 0) {
      const auto from = text.find_first_not_of(' ', std::char_traits<char>::length(prefix));
      return from == std::string::npos ? std::string() : text.substr(from);
    }
  return text;
}

}  // namespace

// True once the receiver is back (open, identified, attached); false when the session ends:
// Disconnect, a refused login, or the end of a local server, which nothing brings back.
bool ReceiverSession::recover(CConnection* conn) {
  if (!linkLost_ &&
      reconnect(conn, lostText_.empty() ? std::string("The receiver does not answer") : lostText_)) {
    status(target_.receiver);  // the receiver is named again, as after a connect
    return true;
  }
  if (stopRequested_) return false;
  const std::string why = linkLostText();
  if (!linkLost_ || conn->isLocalServerConn()) {
    endSession(linkLost_ && !why.empty() ? why : lastError());
    return false;
  }
  if (!relogin(conn, why)) return false;
  status(target_.receiver);
  return true;
}

// The receiver went away behind a connection that still works: the same receiver string (so
// the same device path) is opened again. False when Disconnect stops it or the server goes.
bool ReceiverSession::reconnect(CConnection* conn, const std::string& why) {
  remember(why);
  const std::string lost = LostText(why);
  setState(SessionState::Reconnecting);
  receiverLost_ = false;  // raised only while live
  const SessionInfo s = info();
  notify([&](SessionObserver& o) { o.titleText(LostTitle(s.model, s.portName)); });
  status(lost);
  ReconnectBackoff backoff;
  while (!stopRequested_ && !linkLost_) {
    if (!backoff.WaitNext(wake_) && stopRequested_) break;  // a stray wake only tries earlier
    std::string failed;
    if (reopenReceiver(conn, failed)) return true;
    if (!failed.empty()) remember(failed);
    status(lost + " (retry " + std::to_string(backoff.Attempts()) + ")");
  }
  return false;
}

// The remote server went away: log in again on the same connection object (windows keep
// their pointer to it), then open the receiver there. A server that answers and refuses the
// login ends the session with its reply; one that cannot be reached, or is lost again, is
// tried again.
bool ReceiverSession::relogin(CConnection* conn, const std::string& why) {
  remember(why);
  const std::string lost = ServerLostText(target_.server, why);
  setState(SessionState::Reconnecting);
  receiverLost_ = false;
  const SessionInfo s = info();
  notify([&](SessionObserver& o) { o.titleText(ServerLostTitle(s.model, s.portName)); });
  status(lost);
  ReconnectBackoff backoff;
  bool loggedIn = false;
  while (!stopRequested_) {
    if (!backoff.WaitNext(wake_) && stopRequested_) break;
    std::string failed;
    if (!loggedIn && !login(conn, failed)) {
      if (refusedByServer(failed) && !linkLost_) {
        endSession(failed);
        return false;
      }
    } else if (reopenReceiver(conn, failed)) {
      return true;
    } else {
      loggedIn = !linkLost_;  // a receiver that does not open yet is tried again alone
    }
    if (!failed.empty()) remember(failed);
    // Once the server is back, what keeps the session away is its receiver.
    const std::string shown = loggedIn && !failed.empty() ? LostText(failed) : lost;
    status(shown + " (retry " + std::to_string(backoff.Attempts()) + ")");
  }
  return false;
}

std::string ReceiverSession::linkLostText() const {
  std::lock_guard l(lock_);
  return linkLostText_;
}

bool ReceiverSession::login(CConnection* conn, std::string& failed) {
  conn->Close();  // the lost login's threads end here, and their late events with them
  linkLost_ = false;
  if (conn->Open(target_.server.c_str(), target_.user.c_str(), target_.password.c_str(), kClientName,
                 &CallbackRegistry::OnLineSearch) != 1) {
    failed = conn->GetReplyString();
    return false;
  }
  conn->SetTimeout(kTimeoutSeconds);
  conn->GetRcvList();
  return true;
}

bool ReceiverSession::reopenReceiver(CConnection* conn, std::string& failed) {
  rcv_->Close(false);
  if (rcv_->Open(conn, target_.receiver.c_str(), 0) == 1 && identify(failed) && attach(conn, failed))
    return true;
  closeReceiver();
  if (failed.empty()) failed = rcv_->GetReplyString();
  return false;
}

std::string ReceiverSession::ServerLostTitle(const std::string& model, const std::string& portName) {
  return ConnectedTitle(model, portName, false, false) + "(server lost)";
}

std::string ReceiverSession::ServerLostText(const std::string& server, const std::string& why) {
  std::string cause = withoutErrorPrefix(why);
  // A read that failed or found the socket closed is reported as the receiver's silence:
  // here it is the server's line that broke.
  if (cause.empty() || cause == "Receiver don't reply") cause = "connection to " + server + " broke";
  return "Server lost: " + cause;
}

}  // namespace session
