#pragma once
// CReceiverConnection: the base of every receiver link (serial now; network, modem and USB
// later). It sends a command and waits for its reply, joins replies that come in several
// frames, runs "@scr" scripts, and takes the bytes the link's reader thread receives: framed
// into replies and data packets for the owner, or raw for a transfer or a raw-data callback.
//
// Ownership: created by the local server (CreateReceiverLink) and deleted by it; the derived
// link stops and joins its reader thread in its destructor, so deleting the link is enough.
// Threads: one caller at a time may use SendCommand / RunScript (the local server serialises
// requests; a second concurrent caller would steal the reply); the reader thread calls
// OnReceive; StatusText may be read from any thread. Every wait is bounded.
// Failure leaves a reply text ("ER:...") in replyOut and, for link faults, StatusText().
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "gridlink/platform/Event.h"
#include "links/LinkKind.h"
#include "links/LinkOwner.h"

enum class ReaderMode : int { Handshake = 0, Frames = 1, Latest = 2 };

class CReceiverConnection {
 public:
  static constexpr const char* kReplyTimeout = "ER:Receiver reply timeout!";
  // A joined reply stops growing here (the local server's reply area is 64 KiB); the rest of
  // an over-long reply is dropped and the drop is logged.
  static constexpr std::size_t kMaxJoinedReply = 60000;
  static constexpr std::uint32_t kScriptCommandMs = 1999;
  // A transfer that does not answer a handshake chunk within this is taken as gone.
  static constexpr std::uint32_t kTransferGoMs = 30000;

  explicit CReceiverConnection(CLinkOwner& owner);
  virtual ~CReceiverConnection();
  CReceiverConnection(const CReceiverConnection&) = delete;
  CReceiverConnection& operator=(const CReceiverConnection&) = delete;

  // Puts bytes on the wire; the count written (fewer or 0 on failure).
  virtual int Write(const void* bytes, std::size_t count) = 0;
  // Hardware RTS/CTS handshake on or off; 1 on success.
  virtual int SetFlowControl(bool on) = 0;
  // Line speed; false when the link refuses it.
  virtual bool SetBaudRate(std::uint32_t rate) = 0;

  // Seals and sends one command, then waits up to timeoutMs for its reply. True when the reply
  // begins with "RE". timeoutMs 0: send only, replyOut untouched, true when every byte went out.
  bool SendCommand(std::string_view command, std::string& replyOut, std::uint32_t timeoutMs);
  // Runs an "@scr" script; every reply is appended to replyOut, each followed by a line feed.
  // Returns the number of commands that succeeded, or 0 when the script stopped early.
  int RunScript(std::string_view script, std::string& replyOut);

  void SetReaderMode(ReaderMode mode) { m_ReaderMode.store(mode); }
  ReaderMode GetReaderMode() const { return m_ReaderMode.load(); }
  // The transfer's handshake pair (created and owned by the transfer; null to detach).
  void SetTransferEvents(Platform::Event* ready, Platform::Event* go);
  // Moves the bytes gathered in the raw modes into out.
  void TakeRawBytes(std::string& out);

  // Reader thread: `count` received bytes, dispatched on the reader mode.
  void OnReceive(const std::uint8_t* data, std::size_t count);
  // Reader thread, after a read slice brought nothing. A frame candidate still incomplete
  // when the line has been quiet for kStallResyncMs was a false start made of noise (a
  // receiver sends a frame in one go): it is given up byte by byte so that a real frame
  // behind it is found instead of being swallowed.
  void OnReaderIdle();
  static constexpr std::uint32_t kStallResyncMs = 250;

  std::string StatusText() const;
  void SetStatusText(std::string text);
  void AppendStatusText(std::string_view text);

  void SetLinkKind(int kind) { m_LinkKind = kind; }
  int GetLinkKind() const { return m_LinkKind; }

  // Waits until nothing has been received for quietMs, at most maxMs; true when the line went
  // quiet. Lets the replies of stop texts (sent without waiting) arrive before an exchange
  // whose reply is checked exactly.
  bool WaitQuiet(std::uint32_t quietMs, std::uint32_t maxMs);

  // True once the device has gone (hang-up); every later command fails at once.
  bool LinkLost() const { return m_LinkLost.load(); }
  // 1 when the last reply wait was satisfied, 0 after a time-out, -1 before any.
  int LastWaitResult() const { return m_LastWaitResult.load(); }

 protected:
  // The derived link's reader calls this when the device has gone for good.
  void MarkLinkLost(std::string_view why);
  // Drops what the reader holds unframed (bytes received at an old line speed).
  void ResetFraming() { m_ResetFraming.store(true); }
  // Ends the reader's bounded waits early; the derived link calls it before joining.
  void RequestReaderStop() { m_ReaderStopping.store(true); }
  CLinkOwner& Owner() { return m_Owner; }

 private:
  void onFrames(const std::uint8_t* data, std::size_t count);
  void scanFrames();  // caller holds the server lock
  void onHandshake(const std::uint8_t* data, std::size_t count);
  void onLatest(const std::uint8_t* data, std::size_t count);
  void handleFrame(const std::uint8_t* frame, std::size_t length);
  void deliverWrapper(const std::uint8_t* frame, std::size_t length);
  void deliver(unsigned type, const void* payload, std::size_t count);
  void assembleReply(const std::uint8_t* frame, std::size_t length);
  bool waitReply(std::string_view command, std::string& replyOut, std::uint32_t timeoutMs,
                 std::uint64_t seenSeq);

  CLinkOwner& m_Owner;
  std::atomic<ReaderMode> m_ReaderMode{ReaderMode::Frames};
  int m_LinkKind = kLinkCom;

  mutable std::mutex m_StatusLock;
  std::string m_StatusText;

  // Reader-owned (under the owner's server lock): bytes not framed yet.
  std::vector<std::uint8_t> m_FrameBuffer;
  std::atomic<bool> m_ResetFraming{false};  // a timed-out waiter asks the reader to start afresh

  // Reply state, under m_ReplyLock.
  std::mutex m_ReplyLock;
  std::string m_Reply;                  // the last complete reply, or the one being joined
  std::uint64_t m_ReplySeq = 0;         // counts complete replies
  std::deque<std::string> m_Completed;  // the latest complete replies, oldest first
  static constexpr std::size_t kKeptReplies = 8;
  int m_PieceCount = 0;
  int m_BraceDepth = 0;
  bool m_Truncated = false;
  bool m_Waiting = false;
  Platform::Event m_ReplyEvent{Platform::EventReset::Manual};

  // Raw modes.
  std::mutex m_RawLock;
  std::string m_Raw;
  Platform::Event* m_TransferReady = nullptr;
  Platform::Event* m_TransferGo = nullptr;

  std::atomic<std::int64_t> m_LastReceiveMs{0};
  std::atomic<bool> m_LinkLost{false};
  std::atomic<bool> m_ReaderStopping{false};
  std::atomic<int> m_LastWaitResult{-1};
};
