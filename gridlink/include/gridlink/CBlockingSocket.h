#pragma once
// One TCP socket over IPv4 with blocking, time-limited operations. Failures
// throw CBlockingSocketException by value (catch by reference) carrying the
// operation text and errno; _Read and Write report by return value instead.
//
// Ownership: the object owns its descriptor and closes it on Close, Cleanup and
// destruction. Not copyable.
// Threads: one thread may read while another writes, and any thread may call
// Close or Cleanup while a Read, Write or Accept is pending elsewhere: that call
// shuts the socket down, which ends the pending wait at once, and the descriptor
// is closed when the last pending call returns (so its number is never reused
// under a running call). Create, Connect, Bind and Listen belong to one thread.
// After a failure the socket stays as it was (still open unless stated).
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "gridlink/CBlockingSocketException.h"
#include "gridlink/CSockAddr.h"
#include "gridlink/Export.h"
#include "gridlink/TlsContext.h"

class GRIDLINK_API CBlockingSocket {
 public:
  // Every wait has a bound; these are the ones callers do not pass.
  static constexpr int kConnectTimeoutMs = 30000;
  static constexpr int kAcceptWaitMs = 5000;
  static constexpr int kDefaultWriteSeconds = 999;
  static constexpr int kListenBacklog = 5;
  static constexpr int kKeepIdleMs = 300000;
  static constexpr int kKeepIntervalMs = 2000;
  static constexpr int kBufferBytes = 4500;

  CBlockingSocket();
  virtual ~CBlockingSocket();  // Cleanup
  CBlockingSocket(const CBlockingSocket&) = delete;
  CBlockingSocket& operator=(const CBlockingSocket&) = delete;

  // New IPv4 stream socket ("Create"); an open one is cleaned up first.
  // noDelay: Nagle off. Otherwise keep-alive (300 s idle, 2 s between probes)
  // and 4500-byte receive and send buffers. On failure no socket is left.
  void Create(bool noDelay = false);
  // Connects ("Connect"), at most timeoutMs (ETIMEDOUT after), then Nagle off.
  // The socket stays open after a failed connect; Cleanup it before reuse.
  void Connect(const CSockAddr& sa, int timeoutMs = kConnectTimeoutMs);
  void Bind(const CSockAddr& sa);  // "Bind"
  void Listen();                   // "Listen", backlog 5
  // Waits at most timeoutMs for a connection and accepts it into `peer`
  // (cleaned up first) ("Accept"). False when nothing came in time or the wait
  // was interrupted (also by Close/Cleanup from another thread).
  bool Accept(CBlockingSocket& peer, CSockAddr& from, int timeoutMs = kAcceptWaitMs);

  // Sends all n bytes; returns n, or -1 on a send error, a closed peer (no
  // SIGPIPE), no socket, or when the peer takes no bytes for `seconds`
  // (<= 0: 999 s). After -1 part of the data may have gone out.
  int Write(const char* data, int n, int seconds);
  // No socket: "Socket Null" (code EBADF). Waits up to `seconds` for data; none:
  // "Receive timeout" with code 0. Receives at most n - 1 bytes ("Receive" on
  // error), zero-terminates them and returns their number: 0 when the peer has
  // closed, and always 0 for n == 1. n < 1 or a null buffer: "Receive" (EINVAL).
  int Read(char* buf, int n, int seconds);
  // As Read without exceptions and without the terminating zero: up to n bytes,
  // -2 on time-out, -1 on error or no socket, 0 when the peer has closed.
  int _Read(char* buf, int n, int seconds);

  // Closes an open socket ("Close") and forgets it; nothing when none is open.
  void Close();
  // Shuts both directions down and closes, without exceptions; forgets it.
  void Cleanup();

  void GetPeerAddr(CSockAddr& sa);  // "GetPeerName"
  void GetSockAddr(CSockAddr& sa);  // "GetSockName"

  // First IPv4 address of `host` with `port` ("GetHostByName"; the code is the
  // resolver's EAI_ value, or errno for EAI_SYSTEM).
  static CSockAddr GetHostByName(const char* host, std::uint16_t port = 0);
  // Host name of the address ("GetHostByAddr", resolver code as above).
  static std::string GetHostByAddr(const CSockAddr& sa);

  // Turns the connected socket into a TLS client of `host` (caFile empty: the system's
  // roots) within timeoutMs; what the server showed goes to `peer`. Later reads and writes
  // go through TLS. False with the reason in error (the socket should then be cleaned up).
  // Before any other thread uses the socket.
  bool StartTlsClient(const std::string& host, const std::string& caFile, int timeoutMs, CTlsPeer& peer,
                      std::string& error);
  // The server's side of the same, with the server's certificate and key.
  bool StartTlsServer(const CTlsServerContext& ctx, int timeoutMs, std::string& error);

  // The descriptor, -1 when none (0 is a valid descriptor here).
  int Handle() const;
  bool IsOpen() const { return Handle() >= 0; }
  explicit operator int() const { return Handle(); }

 private:
  struct Descriptor;
  std::shared_ptr<Descriptor> acquire() const;
  void adopt(int fd);

  mutable std::mutex m_Lock;  // guards m_Socket only; never held across a wait
  std::shared_ptr<Descriptor> m_Socket;
};
