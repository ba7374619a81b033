// The session thread: opens the connection and the receiver, reads the receiver's identity,
// attaches the main view's messages and hands each round of them to the RoundListeners.
#include <cstdio>
#include <utility>

#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "gridlink/platform/Clock.h"
#include "query/CAnswerTable.h"
#include "session/ReceiverSession.h"

namespace session {
namespace {

constexpr const char* kIdentifyScript =
    "@scr stoperrors off\n"
    "print,/par/rcv/ver/main\n"
    "print,/par/rcv/model\n"
    "print,/cur/term\n"
    "print,/par/rcvid\n"
    "@end\n";

}  // namespace

void ReceiverSession::run() {
  startTick_ = Platform::GetTickCount();
  CConnection* conn = conn_;
  SessionState from = SessionState::Connecting;
  if (conn && linkLost_) {
    // The server went away while a tool had the receiver: log in again.
    if (!relogin(conn, linkLostText())) return;
    from = SessionState::Reconnecting;
  } else if (!start(conn)) {
    return;
  }
  // Opened before the state says Live, so that a writer who sees Live finds the receiver lent.
  lease_->open(rcv_);
  while (goLive(from)) {
    displayLoop();
    lease_->close();  // no write of another thread lands in the receiver from here on
    closeReceiver();
    if (stopRequested_ || !recover(conn)) return;
    from = SessionState::Reconnecting;
    lease_->open(rcv_);
  }
  lease_->close();
  closeReceiver();
}

// Opens the connection (or, back after a tool, takes the open one) and the receiver, then
// identifies and attaches it. False when the session goes no further: failed, or manual only.
bool ReceiverSession::start(CConnection*& conn) {
  const bool again = conn != nullptr;
  if (!conn && !openConnection(conn)) return false;
  conn->SetTimeout(kTimeoutSeconds);
  conn->GetRcvList();
  if (again) {
    rcv_->Close(false);
    Platform::Sleep(100);
  }
  if (!openReceiver(conn)) return false;
  if (target_.manualOnly) {
    rcv_->Close(false);
    setState(SessionState::ManualOnly);
    return false;
  }
  std::string why;
  if (!identify(why) || !attach(conn, why)) {
    fail(why);
    return false;
  }
  return true;
}

bool ReceiverSession::goLive(SessionState from) {
  const std::string title = titleFor();
  notify([&](SessionObserver& o) { o.titleText(title); });
  {
    std::lock_guard l(listenersLock_);
    for (RoundListener* listener : listeners_) listener->begin();
  }
  if (from == SessionState::Reconnecting) startTick_ = Platform::GetTickCount();  // a new session's time
  return !stopRequested_ && moveState(from, SessionState::Live);
}

// A failure of one of the steps: its text in the status line, the receiver closed, Idle. The
// owner drops the closed connection (dropConnection), as a thread may not delete it.
void ReceiverSession::fail(const std::string& text) {
  remember(text);
  lease_->end(text);
  closeReceiver();
  status(text);
  setState(SessionState::Idle);
}

// The receiver or the server went away while the session was live.
void ReceiverSession::endSession(const std::string& text) {
  remember(text);
  lease_->end(text);
  status(text);
  setState(SessionState::Idle);
}

bool ReceiverSession::openConnection(CConnection*& conn) {
  conn = new CConnection;
  conn_ = conn;
  serverEvents_ = CallbackRegistry::instance().serverEvents.add(conn, [this](CConnection* c) { onServerEvent(c); });
  conn->SetSysMsgCallback(&CallbackRegistry::OnServerEvent);
  // A server whose certificate is new or changed asks the user instead of failing silently.
  if (tlsTrust_) conn->SetTlsTrustCallback(tlsTrust_, nullptr);
  conn->SetLogDetailLevel(0);
  status("Open connection to server");
  attempt_ = 0;
  if (!conn->Open(target_.server.c_str(), target_.user.c_str(), target_.password.c_str(), kClientName,
                  &CallbackRegistry::OnLineSearch)) {
    fail(conn->GetReplyString());
    return false;
  }
  return true;
}

bool ReceiverSession::openReceiver(CConnection* conn) {
  status(target_.receiver);
  attempt_ = 0;
  const int opened = rcv_->Open(conn, target_.receiver.c_str(), 0);
  abortConnect_ = false;
  if (!opened) {
    fail(rcv_->GetReplyString());
    return false;
  }
  // The line-speed search may have left "Trying n" in the status line: name the receiver again.
  status(target_.receiver);
  return true;
}

bool ReceiverSession::identify(std::string& why) {
  CAnswerTable answers;
  if (!answers.run(*rcv_, kIdentifyScript)) {
    why = "Error run script";
    return false;
  }
  std::lock_guard l(lock_);
  int major = 0, minor = 0;
  const auto version = answers.answer(0);
  info_.firmwareVersion =
      version && std::sscanf(version->c_str(), "%d.%d", &major, &minor) == 2 ? major * 1000 + minor : 0;
  if (const auto model = answers.answer(1)) info_.model = *model;
  if (const auto port = answers.answer(2)) info_.currentPort = *port;
  if (const auto id = answers.answer(3)) info_.receiverId = *id;
  return true;
}

bool ReceiverSession::attach(CConnection* conn, std::string& why) {
  table_.bind(rcv_);
  const char* list = conn->isLocalServerConn() ? AttachTable::localList() : AttachTable::remoteList();
  if (!rcv_->Attach(0, &CallbackRegistry::OnData, list)) {
    why = rcv_->GetReplyString();
    return false;
  }
  return true;
}

std::string ReceiverSession::titleFor() {
  const auto on = [this](const char* cmd) {
    std::string reply;
    return rcv_->SendCommand(cmd, reply) && reply.find("on") != std::string::npos;
  };
  const bool base = on("print,/par/base/mode");
  const bool rover = on("print,/par/rover/mode");
  const SessionInfo s = info();
  return ConnectedTitle(s.model, s.portName, base, rover);
}

void ReceiverSession::displayLoop() {
  std::vector<std::string> fresh;
  int silent = 0;
  lostText_.clear();
  attached_ = {};  // the receiver was (re)opened: no extra output yet
  attachedList_ = {};
  applyOutputs();
  // The stream just enabled again may start mid-round: that one short round is not shown as
  // silence, which would empty the views for a moment.
  bool restarted = false;
  while (!stopRequested_ && !linkLost_ && !receiverLost_) {
    if (wake_.Wait(kRoundWaitMs) != Platform::WaitResult::Signalled) {
      if (!std::exchange(restarted, false)) deliverRound(fresh, 0);
      if (++silent >= kSilentRoundsBeforeProbe && !receiverStillThere()) return;
      continue;
    }
    if (stopRequested_ || linkLost_ || receiverLost_) break;
    if (outputsChanged_.exchange(false)) {
      // Woken for the outputs, not by a round: the round's rows wait for its end.
      restarted = applyOutputs();
      continue;
    }
    silent = 0;
    const int count = table_.takeFresh(fresh);
    if (!std::exchange(restarted, false) || count >= kMinFreshRows) deliverRound(fresh, count);
  }
  if (linkLost_ || receiverLost_.exchange(false)) lostText_ = lastError();
}

void ReceiverSession::setOutput(std::uint8_t slot, const std::string& list, OutputRefused refused) {
  static_assert(kSlots == CReceiver::kAttachSlots);
  if (slot == 0 || slot >= kSlots) return;  // slot 0 is the session's own
  {
    std::lock_guard l(outputsLock_);
    outputs_[slot] = Output{list, std::move(refused)};
  }
  outputsChanged_ = true;
  wake_.Set();
}

// Session thread, receiver open: attaches the extra outputs wanted and not attached yet, after
// dropping every output when one attached is no longer wanted as it is. True when the
// session's own stream was stopped and enabled again.
bool ReceiverSession::applyOutputs() {
  std::array<std::string, kSlots> wanted;
  {
    std::lock_guard l(outputsLock_);
    for (std::size_t s = 1; s < kSlots; ++s) wanted[s] = outputs_[s].list;
  }
  bool drop = false;
  for (std::size_t s = 1; s < kSlots; ++s) drop = drop || (attached_[s] && attachedList_[s] != wanted[s]);
  if (drop && !dropOutputs()) return false;
  for (std::size_t s = 1; s < kSlots; ++s) {
    if (attached_[s] || wanted[s].empty()) continue;
    if (rcv_->Attach(static_cast<std::uint8_t>(s), &CallbackRegistry::OnData, wanted[s].c_str()) == 1) {
      attached_[s] = true;
      attachedList_[s] = wanted[s];
      continue;
    }
    const std::string reply = rcv_->GetReplyString();
    std::lock_guard l(outputsLock_);
    if (outputs_[s].refused) outputs_[s].refused(reply);
  }
  return drop;
}

// A port stops all its outputs at once ("dm", behind every Detach): the extra slots are given
// up and the session's own stream is attached again. False when that fails: the receiver is
// treated as lost and opened again.
bool ReceiverSession::dropOutputs() {
  for (std::size_t s = 1; s < kSlots; ++s) {
    if (!attached_[s]) continue;
    rcv_->Detach(static_cast<std::uint8_t>(s));
    attached_[s] = false;
    attachedList_[s].clear();
  }
  rcv_->Detach(0);
  std::string why;
  if (attach(conn_, why)) return true;
  remember(why.empty() ? std::string("The receiver's outputs could not be enabled again") : why);
  receiverLost_ = true;
  return false;
}

// The stream stopped: a receiver that still answers is only quiet (its antenna, its outputs);
// one that does not has gone, and the session ends with the link's text.
bool ReceiverSession::receiverStillThere() {
  std::string reply;
  if (rcv_->SendCommand("print,/par/rcv/model", reply) && reply.rfind("RE", 0) == 0) return true;
  if (stopRequested_) return true;
  lostText_ = reply.empty() ? rcv_->GetReplyString() : reply;
  if (lostText_.empty()) lostText_ = "The receiver does not answer";
  return false;
}

void ReceiverSession::onServerEvent(CConnection* conn) {
  const std::string text = conn->GetReplyString();
  const auto code = static_cast<std::uint8_t>(conn->GetLastException());
  remember(text);
  if (code == 252 && state() == SessionState::Live) {
    // The receiver's link broke: the session thread starts trying it again at once.
    receiverLost_ = true;
    wake_.Set();
    return;
  }
  if (code == 250 || code == 252) return;
  const bool ended = code == 247 || code == 253 || code == 255;
  if (ended) {
    // The server link ended: the session thread leaves its loop and logs in again (remote) or
    // ends the session (the local server); the owner drops what an ended session leaves.
    {
      std::lock_guard l(lock_);
      linkLostText_ = text;
    }
    linkLost_ = true;
  }
  notify([&](SessionObserver& o) { o.serverEvent(code, text); });
  if (ended) wake_.Set();  // after the owner heard of it, so the session's own texts come later
}

}  // namespace session
