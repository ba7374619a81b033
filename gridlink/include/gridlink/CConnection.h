#pragma once
// CConnection: one client connection to a server, either the in-process local server (server
// name "LServer" or empty) or a remote server over TCP. Every request is a text sent with
// SendData and answered by one reply; int results are 1 (or a positive count) for success and
// 0 for failure, and GetReplyString() then holds the server's reply ("RE..."/"ER...") or one of
// the library's own texts ("ERDLL...").
//
// Ownership: the caller creates and deletes the connection; receivers registered on it are
// closed by Close and by the destructor. Callbacks run on the connection's own threads (see
// the setters).
//
// Threads: any thread may call. Requests are serialised by the send lock; a caller that finds
// it taken waits for it, pumping (MessagePump.h), up to 5 min ("ERDLL:Connection busy!").
// While a request waits for its reply the calling thread pumps its window messages, so a GUI
// thread that has installed the pump hook stays live. A request made from a handler run by
// that pump, on the thread that waits, is refused at once with
// "ERDLL:Request in progress on this thread!"; one made inside the SysMsgCallback with
// "ERDLL:No request from SysMsgCallback!".
//
// How long a request waits:
//   - local server: while a pump hook is installed (MessagePump.h) the request runs on the
//     connection's request thread and the caller pumps; without one it runs on the caller's
//     thread. Either way it ends within the time-outs of the receiver exchanges it makes: "Command" 10 s
//     (30 s on a TCP link), "Attach" 2 s per piece, "OpenRcv" the whole open (loop test and
//     four list commands, up to about 2.5 min, longer while a serial link searches line speeds);
//   - remote server: the connection time-out (SetTimeout, seconds); the login of Open at most
//     kLoginWaitMs whatever the time-out.
// A window program therefore calls Open, SendCommand and the other requests on its GUI thread
// with the pump hook installed (and its request controls disabled while one waits), or on a
// thread of its own; both get the same replies.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "gridlink/Export.h"
#include "gridlink/GridlinkTypes.h"

class CProfile;
class CReceiver;
struct ConnectionState;
struct ConnectionAccess;

class GRIDLINK_API CConnection {
 public:
  // Run on a thread of its own for every server event, with the CConnection* as argument;
  // the event code is GetLastException(), its text GetReplyString(). Post and return: the
  // connection thread waits for it (up to 10 s) before it reads on. It must not close or
  // delete the connection, and requests made from it (commands, Attach, Detach,
  // CReceiver::Close) are refused with "ERDLL:No request from SysMsgCallback!". One that
  // overruns its 10 s is left running and joined when the connection closes.
  using SysMsgCallback = std::uint32_t (*)(void*);
  // Called by the serial link before each line speed it tries while it searches for the
  // receiver, with a pointer to {8, rate} (two 32-bit integers); true aborts the search. While
  // a pump hook is installed it runs on the connection's request thread, not on the thread
  // that called CReceiver::Open: a cancel flag it reads must be an atomic.
  using DetectAbortCallback = bool (*)(void*);
  // Receiver output while a local command runs (data, length), unframed. Called on the
  // receiver link's reading thread from the CReceiver::SendCommand that gives it until the
  // next SendCommand without one (or CReceiver::Close); while it is installed commands get
  // no reply of their own ("RE000"). A call already under way may still finish after that.
  using CommandOutputCallback = void (*)(char*, int);
  // Upload progress (done, total, param); false asks to stop after the next block.
  using ProgressCallback = bool (*)(std::uint32_t, std::uint32_t, std::uint32_t);

  static constexpr unsigned kDefaultTimeoutSeconds = 99999;
  static constexpr unsigned kLoginWaitMs = 30000;

  CConnection();
  virtual ~CConnection();
  CConnection(const CConnection&) = delete;
  CConnection& operator=(const CConnection&) = delete;

  // The connection settings store; any thread may read and write it.
  static CProfile& getProfile();
  // Window-message numbers of "WM_ZRXDATA", "WM_CMRDATA", "WM_NMEADATA", "WM_RTCMDATA".
  static std::uint32_t nRegMsg[4];

  int Open(const char* server, const char* user, const char* password, const char* application,
           DetectAbortCallback detectAbort = nullptr);
  int Close(const char* reason = nullptr);
  // Sends one request and waits for its reply; the reply's result value (0 on failure). The
  // reply text goes to the receiver named by rcvId (else to this connection's reply text).
  int SendData(const char* request, std::uint8_t rcvId);
  std::uint32_t RegRcv(CReceiver* receiver);
  int CloseRcv(std::uint8_t id);

  int GetRcvList();
  int GetSourceTable();
  // Server messages. The local server answers them "ER:Don't support".
  int GetUsrList(const char* ignored = nullptr);
  REMOTE_MSG* GetMsgList(int& count);
  int GetMsg(const char* name, const char* localPath);
  int SetMsg(const char* user, const char* subject, const char* text);
  int SetMsg(const char* user, const char* subject, const char* file, ProgressCallback progress,
             std::uint32_t param);
  int DeleteMsg(const char* name);
  int SendFile(const char* localFile, const char* remoteName, ProgressCallback progress, std::uint32_t param);

  // Records an event code and its text as the reply and runs the SysMsgCallback for it.
  void CreateException(const char* text, std::uint8_t code);

  std::string GetReplyString() const;
  std::string GetUserNameA() const;
  std::string GetIPServer() const;
  std::uint8_t GetCountRcv() const;
  std::int8_t GetLastException() const;

  // Set these before Open: the message thread, which delivers attached data, exists only
  // when a SysMsgCallback was set at Open.
  void SetSysMsgCallback(SysMsgCallback callback);
  void SetLogDetailLevel(unsigned level);
  void SetTimeout(unsigned seconds);
  std::int32_t GetTimeout() const;
  void SetCrypt(unsigned on);
  // TLS to a remote server, for the next Open: on or off (without a call, the server entry's
  // "TLS" setting decides), the trusted roots (null or empty: the system's) and a SHA-256
  // fingerprint trusted in advance (hex, colons optional; null: none).
  void SetTls(bool on, const char* caFile = nullptr, const char* fingerprint = nullptr);
  // Asked on Open's thread whether to trust a server certificate that no root vouches for and
  // that was not accepted before: (server "host:port", fingerprint "AB:CD:...", param) -> yes.
  // An accepted fingerprint is remembered; without a callback such a server is refused.
  using TlsTrustCallback = bool (*)(const char* server, const char* fingerprint, void* param);
  void SetTlsTrustCallback(TlsTrustCallback callback, void* param);

  bool isLocalServerConn() const;

  // Thread procedures (argument: the CConnection*).
  static std::uint32_t TCPThreadConnect(void* conn);
  static std::uint32_t ThreadMessage(void* conn);
  // Restores a scrambled frame in place; the plain length, 0 when it does not restore.
  int UnCryptPacket(unsigned char* frame, std::size_t available);

  // Sets the connection-level reply text and logs it.
  void SetReply(const char* text);
  void SetReply(int rcvId, const char* text, std::uint8_t result);

 protected:
  int Transfer(char* msg, std::uint16_t len);
  // The frame for n plain bytes in out (room for n + 10); its length, 0 when refused.
  int CryptPacket(const unsigned char* in, unsigned char* out, std::uint32_t n);
  void TerminateUsr(const char* reason);
  void TerminateReceivers();
  std::uint32_t createRcvUniqueID();

 private:
  bool openServer(const std::string& host, unsigned port);
  bool startTls(const std::string& server, const std::string& host, unsigned port);
  bool startThreads();
  void joinLateCallbacks();

  friend struct ConnectionAccess;
  std::unique_ptr<ConnectionState> m_State;
};
