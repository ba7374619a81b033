// The owner's side of the session: state, connect and disconnect, lending the receiver to tools.
#include "session/ReceiverSession.h"

#include <algorithm>

#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"

namespace session {

const char* stateName(SessionState state) {
  switch (state) {
    case SessionState::Idle: return "Idle";
    case SessionState::Connecting: return "Connecting";
    case SessionState::Live: return "Live";
    case SessionState::ToolHoldsReceiver: return "ToolHoldsReceiver";
    case SessionState::ManualOnly: return "ManualOnly";
    case SessionState::Reconnecting: return "Reconnecting";
  }
  return "?";
}

ReceiverSession::ReceiverSession() {
  // Gridlink gives the line-speed search no context: the one session answers it.
  lineSearch_ = CallbackRegistry::instance().lineSearch.add(0, [this](std::uint32_t) {
    status("Trying " + std::to_string(++attempt_));
    return abortConnect_.load();
  });
}

ReceiverSession::~ReceiverSession() {
  abortConnect_ = true;
  stopThread();
  lease_->end("the program is closing");
  dropConnection();
  lineSearch_.reset();
}

void ReceiverSession::setObserver(SessionObserver* observer) {
  std::lock_guard l(observerLock_);
  observer_ = observer;
}

SessionState ReceiverSession::state() const {
  std::lock_guard l(lock_);
  return state_;
}

SessionInfo ReceiverSession::info() const {
  std::lock_guard l(lock_);
  return info_;
}

// Answered from the target, not the connection: a re-login reopens the connection on the
// session thread while a window may ask.
bool ReceiverSession::isLocalServer() const {
  return conn_ != nullptr && (target_.server.empty() || target_.server == "LServer");
}

CReceiver* ReceiverSession::receiver() const {
  const SessionState s = state();
  return s == SessionState::Live || s == SessionState::ToolHoldsReceiver ? rcv_ : nullptr;
}

void ReceiverSession::setState(SessionState to) {
  SessionState from;
  {
    std::lock_guard l(lock_);
    from = std::exchange(state_, to);
    lease_->stateChanged(to);
  }
  if (from != to) notify([&](SessionObserver& o) { o.stateChanged(from, to); });
}

bool ReceiverSession::moveState(SessionState from, SessionState to) {
  {
    std::lock_guard l(lock_);
    if (state_ != from) return false;
    state_ = to;
    lease_->stateChanged(to);
  }
  notify([&](SessionObserver& o) { o.stateChanged(from, to); });
  return true;
}

void ReceiverSession::status(const std::string& text) {
  notify([&](SessionObserver& o) { o.statusText(text); });
}

void ReceiverSession::remember(const std::string& error) {
  std::lock_guard l(lock_);
  info_.lastError = error;
}

bool ReceiverSession::connect(const SessionTarget& target) {
  if (state() != SessionState::Idle || stopping_) return false;
  stopThread();  // one that failed on its own is joined here
  dropConnection();
  target_ = target;
  {
    std::lock_guard l(lock_);
    info_ = SessionInfo{};
    info_.portName = target.receiver;
  }
  abortConnect_ = false;
  linkLost_ = false;
  lease_->begin();
  setState(SessionState::Connecting);
  startThread();
  return true;
}

void ReceiverSession::disconnect() {
  if (toolRunning_) {
    endAfterTool_ = true;
    return;
  }
  if (stopping_) return;  // asked again from the pump of a stop under way
  abortConnect_ = true;
  stopThread();
  abortConnect_ = false;
  lease_->end("the receiver was disconnected");
  dropConnection();
  setState(SessionState::Idle);
  status("Disconnected");
}

void ReceiverSession::dropConnection() {
  if (toolRunning_ || stopping_) return;  // the tool's end comes first
  if (thread_.joinable()) {
    if (!done_.IsSet()) return;  // a running thread ends first (disconnect stops it)
    thread_.join();
  }
  closeReceiver();
  if (rcv_) {
    rcv_->Release();
    rcv_ = nullptr;
  }
  serverEvents_.reset();
  if (CConnection* conn = conn_.exchange(nullptr)) {
    conn->Close();
    delete conn;
  }
}

void ReceiverSession::closeReceiver() {
  table_.unbind();
  if (rcv_) rcv_->Close(false);  // harmless on a closed receiver
}

void ReceiverSession::startThread() {
  stopRequested_ = false;
  done_.Reset();
  if (!rcv_) {
    rcv_ = TSelfCreator<CReceiver>::Create();
    rcv_->AddRef();
  }
  thread_ = std::thread([this] {
    run();
    done_.Set();
  });
}

void ReceiverSession::stopThread() {
  if (!thread_.joinable() || stopping_) return;
  stopping_ = true;
  stopRequested_ = true;
  wake_.Set();
  while (done_.Wait(200) != Platform::WaitResult::Signalled)
    if (pump_) pump_();
  thread_.join();
  stopping_ = false;
}

bool ReceiverSession::silenceReceiver() {
  CConnection* conn = conn_;
  // The session closed the receiver when it stopped: open it for the command (and the tool).
  if (!conn || !rcv_ || rcv_->Open(conn, target_.receiver.c_str(), 0) != 1) return false;
  rcv_->SendCommand("%%dm");
  return true;
}

ReceiverSession::BorrowResult ReceiverSession::borrowReceiver(const Tool& tool, BorrowMode mode,
                                                              const std::string& toolName) {
  if (stopping_) return BorrowResult::Refused;
  lease_->lendTo(toolName);
  SessionState before = SessionState::Live;
  if (!moveState(before, SessionState::ToolHoldsReceiver)) {
    before = SessionState::ManualOnly;
    if (!moveState(before, SessionState::ToolHoldsReceiver)) return BorrowResult::Refused;
  }
  toolRunning_ = true;  // from here on disconnect() only marks the end
  stopThread();
  closeReceiver();
  const bool open = before == SessionState::Live && silenceReceiver();
  BorrowResult result = BorrowResult::Ran;
  if (mode == BorrowMode::ReceiverClosed) {
    closeReceiver();
  } else if (CConnection* conn = conn_; !open && (!conn || rcv_->Open(conn, target_.receiver.c_str(), 0) != 1)) {
    remember(conn ? rcv_->GetReplyString() : std::string("ER:Don't connection to server!"));
    result = BorrowResult::OpenFailed;
  }
  if (result == BorrowResult::Ran) tool(rcv_);
  closeReceiver();
  toolRunning_ = false;
  const bool end = endAfterTool_.exchange(false);
  if (linkLost_ && !end && before == SessionState::Live && !isLocalServer()) {
    // The remote server went away under the tool: the session thread logs in again.
    setState(SessionState::Reconnecting);
    startThread();
  } else if (linkLost_) {
    const std::string text = lastError();
    lease_->end(text);
    disconnect();
    status(text);  // why the session ended, rather than "Disconnected"
  } else if (end) {
    disconnect();
  } else if (before == SessionState::Live) {
    setState(SessionState::Connecting);
    startThread();
  } else {
    setState(SessionState::ManualOnly);
  }
  return result;
}

void ReceiverSession::addRoundListener(RoundListener* listener) {
  std::lock_guard l(listenersLock_);
  if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) listeners_.push_back(listener);
}

void ReceiverSession::removeRoundListener(RoundListener* listener) {
  std::lock_guard l(listenersLock_);
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void ReceiverSession::deliverRound(const std::vector<std::string>& fresh, int count) {
  std::lock_guard l(listenersLock_);
  for (RoundListener* listener : listeners_) {
    if (count >= kMinFreshRows)
      listener->round(fresh);
    else
      listener->silence();
  }
}

std::string ReceiverSession::ConnectedTitle(const std::string& model, const std::string& portName, bool base,
                                            bool rover) {
  const auto first = model.find_first_not_of(" \t\r\n");
  const std::string trimmed =
      first == std::string::npos ? std::string() : model.substr(first, model.find_last_not_of(" \t\r\n") - first + 1);
  std::string title = std::string(kClientName) + " to " + trimmed + ":" + portName.substr(0, portName.find(':'));
  if (base) title += "(base)";
  if (rover) title += "(rover)";
  return title;
}

std::string ReceiverSession::LostTitle(const std::string& model, const std::string& portName) {
  return ConnectedTitle(model, portName, false, false) + "(receiver lost)";
}

std::string ReceiverSession::LostText(const std::string& why) {
  // "ER:Receiver link lost: COM ..." says the same twice in a short status line: keep the cause.
  std::string reason = why.rfind("ER:", 0) == 0 ? why.substr(3) : why;
  if (const std::string link = "Receiver link lost: "; reason.rfind(link, 0) == 0) reason = reason.substr(link.size());
  return "Receiver lost: " + reason;
}

}  // namespace session
