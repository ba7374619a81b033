#pragma once
// One connected client: its own thread reads request packets (plain or scrambled) and upload
// blocks and answers each in turn; receivers it holds send their data from their links'
// threads. Every packet to the client goes through Send, which writes with a bound, so a
// client that stops reading costs its own connection only.
//
// Owner (the GridServer's accept thread): Start, Shutdown, Stop, Join, destruction.
// Any thread: Send, User, Finished.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "gridlink/CBlockingSocket.h"
#include "gridlink/platform/Thread.h"
#include "gridserver/ReceiverHold.h"
#include "gridserver/ServerContext.h"
#include "session/RequestReader.h"

namespace gridserver {

class ClientSession {
 public:
  static constexpr int kWriteSeconds = 10;

  ClientSession(ServerContext& ctx, std::unique_ptr<CBlockingSocket> socket, std::string peer);
  ~ClientSession();
  ClientSession(const ClientSession&) = delete;
  ClientSession& operator=(const ClientSession&) = delete;

  bool Start();
  // Sends the server-shutdown event (packet kind 15) and ends the connection.
  void Shutdown(std::string_view text);
  // Ends the connection; the session thread then releases what it holds and ends.
  void Stop();
  bool Join(std::uint32_t timeoutMs) { return m_Thread.Join(timeoutMs); }
  bool Finished() const { return m_Finished; }
  // Ends a connection that has not logged in to make room for another (accept thread).
  void Evict();
  bool Evicted() const { return m_Evicted; }
  bool LoggedIn() const { return !User().empty(); }
  const std::string& Address() const { return m_Address; }

  // One server packet; false when the client is gone or did not take it in time.
  bool Send(std::uint16_t type, std::uint8_t rcvId, std::uint8_t result, std::string_view payload);
  std::string User() const;
  const std::string& Peer() const { return m_Peer; }

 private:
  struct Upload {
    bool active = false;
    std::string verb;  // "SetMsg" or "LoadFile"
    std::string key, to, subject, remote;
    int handle = 0;
    std::uint64_t offset = 0;
  };

  void run(Platform::ThreadContext& ctx);
  bool takeRequests(ServerLink::RequestReader& reader);
  void logJunk();
  void handle(const ServerLink::IncomingRequest& r);
  void reply(std::uint8_t rcvId, int result, std::string_view text);
  void log(const std::string& line) const;

  // Connection-level requests; each returns the result value and sets m_Reply.
  int openUsr(std::string_view arg);
  int getRcvList();
  int getUsrList();
  int getMsgList();
  int getMsg(std::string_view arg);
  int setMsg(std::string_view arg);
  int deleteMsg(std::string_view arg);
  int loadFile(std::string_view arg);
  void uploadBlock(const ServerLink::IncomingRequest& b);
  bool sendMessageBody(const std::string& name, const std::string& subject, std::uint64_t from,
                       const std::string& bodyPath);

  // Receiver requests.
  void openRcv(std::string_view arg, std::uint8_t rcvId);
  void receiverRequest(const std::string& name, std::string_view text, std::uint8_t rcvId);
  void watchRcv(const std::string& rcv, std::uint8_t rcvId);
  void watcherRequest(const std::string& name, std::uint8_t rcvId);
  // "LoadFirmware NAME [args]" with NAME replaced by the user's uploaded file; false when the
  // user has uploaded no such file.
  bool uploadedFirmware(std::string_view text, std::string& rewritten) const;
  void releaseAll();

  ServerContext& m_Ctx;
  std::unique_ptr<CBlockingSocket> m_Socket;
  const std::string m_Peer;
  const std::string m_Address;  // the peer without its port
  Platform::Thread m_Thread;
  std::atomic<bool> m_Finished{false};
  std::atomic<bool> m_Evicted{false};
  Platform::ThreadContext* m_RunCtx = nullptr;
  std::mutex m_CloseLock;  // the session's own close against an eviction's shutdown
  bool m_Closed = false;
  std::atomic<bool> m_Scramble{false};  // answer as the client asks: scrambled when it does

  mutable std::mutex m_UserLock;
  std::string m_User;
  std::mutex m_WriteLock;
  std::atomic<bool> m_Broken{false};

  // Dropped input by reason: (packets, bytes). Session thread only.
  std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> m_Junk;
  std::uint64_t m_JunkBytes = 0;
  bool m_Spoke = false;  // a good packet came

  std::string m_Reply;
  Upload m_Upload;
  std::map<std::uint8_t, std::unique_ptr<ReceiverHold>> m_Held;  // session thread only
  std::map<std::uint8_t, std::string> m_Watching;                // receivers watched, by id
};

}  // namespace gridserver
