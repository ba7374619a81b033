#pragma once
// ReceiverSession: the one receiver the program holds. It owns the connection, the receiver and
// the session thread (connect, identify, attach, then one round of the receiver's stream after
// another for the RoundListeners), keeps the session's one explicit state and lends the
// receiver to modal tools one at a time (borrowReceiver). A live session whose receiver, or
// whose remote server, goes away is tried again by the session thread (Reconnecting) until it
// is back, a server refuses the login, or Disconnect. No widgets: the owner observes it.
//
// Threads: the public operations belong to the owner's thread (the GUI thread in the program),
// except state(), info() and the listener calls, which any thread may make. The owner's waits
// for the session thread are bounded and run the pump (setPump) between steps.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gridlink/platform/Event.h"
#include "session/AttachTable.h"
#include "session/CallbackRegistry.h"
#include "session/ReceiverLease.h"
#include "session/SessionObserver.h"
#include "session/SessionState.h"

class CConnection;
class CReceiver;

namespace session {

class ReceiverSession {
 public:
  static constexpr const char* kClientName = "Stelvan-P";
  static constexpr std::uint32_t kRoundWaitMs = 1999;
  static constexpr unsigned kTimeoutSeconds = 75;  // the connection's, once logged in
  static constexpr int kMinFreshRows = 8;
  // Silent round waits after which the session asks the receiver whether it is still there.
  static constexpr int kSilentRoundsBeforeProbe = 2;

  enum class BorrowMode { OpenReceiver, ReceiverClosed };
  enum class BorrowResult { Ran, Refused, OpenFailed };
  using Tool = std::function<void(CReceiver*)>;

  ReceiverSession();
  ~ReceiverSession();  // ends the session as disconnect() does, without a status text
  ReceiverSession(const ReceiverSession&) = delete;
  ReceiverSession& operator=(const ReceiverSession&) = delete;

  // Any time; once it returns no call of the earlier observer runs any more.
  void setObserver(SessionObserver* observer);
  // Run between the steps of the owner's waits for the session thread (dispatch events there).
  void setPump(std::function<void()> pump) { pump_ = std::move(pump); }
  // Asked, on the session thread, whether to trust a server certificate seen for the first time.
  void setTlsTrust(bool (*ask)(const char* server, const char* fingerprint, void* param)) { tlsTrust_ = ask; }

  // Idle -> Connecting: starts the session thread. False (nothing done) unless Idle.
  bool connect(const SessionTarget& target);
  // Any state -> Idle: stops the thread, closes receiver and connection, "Disconnected". Asked
  // from inside a tool, it ends the session when the tool returns.
  void disconnect();
  // Deletes the connection a failed session left closed (the state is then Idle already).
  void dropConnection();
  // The connect progress answers "abort" (Stop button, program closing) until the next connect.
  void abortConnect() { abortConnect_ = true; }

  // Lends the receiver to `tool` for its whole run: Live or ManualOnly -> ToolHoldsReceiver,
  // the session thread stopped and (from Live) the receiver silenced with "%%dm"; with
  // OpenReceiver the tool gets it open, else closed (it opens it itself, or not at all). Then
  // the session comes back (Live through Connecting) or stays ManualOnly. Refused when the
  // session is in any other state, a tool included: there is never a second owner.
  // `toolName` tells the receiver's other users (the lease's writers) who has it.
  BorrowResult borrowReceiver(const Tool& tool, BorrowMode mode = BorrowMode::OpenReceiver,
                              const std::string& toolName = {});

  // The receiver for writers on other threads while the session shows it (see ReceiverLease);
  // the same lease for the session object's life.
  std::shared_ptr<ReceiverLease> lease() const { return lease_; }

  // An output of the live receiver beside the session's own stream, on attach slot 1 to 3
  // (the Corrections view's RTCM 3 on slot 3, delivered through CallbackRegistry::OnData):
  // the session thread attaches it while live, and again after a tool or a lost receiver. An
  // empty list drops it: a port only knows "stop all", so the session thread stops the
  // receiver's outputs and enables its own (and the other extra ones) again, staying Live.
  // `refused` gets the receiver's reply when an attach fails (session thread; keep it short).
  // Owner thread.
  using OutputRefused = std::function<void(const std::string& reply)>;
  void setOutput(std::uint8_t slot, const std::string& list, OutputRefused refused = {});

  SessionState state() const;
  SessionInfo info() const;
  std::string lastError() const { return info().lastError; }
  std::uint32_t startTick() const { return startTick_; }
  bool busy() const { return stopping_ || toolRunning_; }  // a wait or a tool is under way
  bool isLocalServer() const;

  // Owner thread. The connection, or null when none; the receiver while Live (for short
  // commands beside the session thread) or while a tool holds it, else null.
  CConnection* connection() const { return conn_; }
  CReceiver* receiver() const;

  // Views fed from the stream; a listener may be removed at any time (the call returns once no
  // round of it runs any more).
  void addRoundListener(RoundListener* listener);
  void removeRoundListener(RoundListener* listener);

  static std::string ConnectedTitle(const std::string& model, const std::string& portName, bool base, bool rover);
  static std::string IdleTitle() { return "Stelvan-P(idle)"; }
  // While Reconnecting: the title and the status text naming why the receiver was lost.
  static std::string LostTitle(const std::string& model, const std::string& portName);
  static std::string LostText(const std::string& why);
  // The same for a lost remote server (`server` as the session was given it).
  static std::string ServerLostTitle(const std::string& model, const std::string& portName);
  static std::string ServerLostText(const std::string& server, const std::string& why);

 private:
  void setState(SessionState to);
  bool moveState(SessionState from, SessionState to);
  void startThread();
  void stopThread();
  void run();
  bool start(CConnection*& conn);
  bool openConnection(CConnection*& conn);
  bool openReceiver(CConnection* conn);
  bool identify(std::string& why);
  bool attach(CConnection* conn, std::string& why);
  bool goLive(SessionState from);
  bool recover(CConnection* conn);
  bool reconnect(CConnection* conn, const std::string& why);
  bool relogin(CConnection* conn, const std::string& why);
  bool login(CConnection* conn, std::string& failed);
  bool reopenReceiver(CConnection* conn, std::string& failed);
  std::string linkLostText() const;
  std::string titleFor();
  void displayLoop();
  bool applyOutputs();
  bool dropOutputs();
  bool receiverStillThere();
  void deliverRound(const std::vector<std::string>& fresh, int count);
  void fail(const std::string& text);
  void onServerEvent(CConnection* conn);
  void status(const std::string& text);
  void remember(const std::string& error);
  bool silenceReceiver();  // true: the receiver is left open
  void endSession(const std::string& text);
  void closeReceiver();

  template <class F>
  void notify(F&& call) {
    std::lock_guard l(observerLock_);
    if (observer_) call(*observer_);
  }

  std::mutex observerLock_;  // held while the observer is called
  SessionObserver* observer_ = nullptr;
  std::function<void()> pump_;
  bool (*tlsTrust_)(const char*, const char*, void*) = nullptr;
  mutable std::mutex lock_;  // state_, info_
  SessionState state_ = SessionState::Idle;
  SessionInfo info_;
  SessionTarget target_;
  std::atomic<CConnection*> conn_{nullptr};
  CReceiver* rcv_ = nullptr;  // one receiver object for the whole session
  CallbackChannel<const CConnection*, void(CConnection*)>::Registration serverEvents_;
  CallbackChannel<int, bool(std::uint32_t)>::Registration lineSearch_;

  std::thread thread_;
  Platform::Event wake_{Platform::EventReset::Auto};
  Platform::Event done_{Platform::EventReset::Manual};
  AttachTable table_{wake_};
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> abortConnect_{false};
  std::atomic<bool> linkLost_{false};
  std::atomic<bool> receiverLost_{false};  // the receiver's link broke while live
  std::atomic<bool> endAfterTool_{false};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> toolRunning_{false};
  std::atomic<int> attempt_{0};
  std::atomic<std::uint32_t> startTick_{0};
  std::string lostText_;      // session thread
  std::string linkLostText_;  // under lock_: the event that ended the server link

  struct Output {
    std::string list;
    OutputRefused refused;
  };
  static constexpr std::size_t kSlots = 4;  // CReceiver::kAttachSlots
  std::mutex outputsLock_;                  // outputs_; held while `refused` runs
  std::array<Output, kSlots> outputs_;
  std::atomic<bool> outputsChanged_{false};
  // Session thread: the extra slots attached on the open receiver, and with which list.
  std::array<bool, kSlots> attached_{};
  std::array<std::string, kSlots> attachedList_;
  std::shared_ptr<ReceiverLease> lease_ = std::make_shared<ReceiverLease>();

  std::mutex listenersLock_;  // held while a round is delivered
  std::vector<RoundListener*> listeners_;
};

}  // namespace session
