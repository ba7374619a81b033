#pragma once
// POSIX socket helpers under the blocking socket class: IPv4 name resolution, connect with a
// bound, keep-alive and Nagle settings, and reads and writes with time-outs that tell data,
// time-out, orderly close and error apart. They take plain descriptors and own nothing; the
// caller creates and closes the socket. Any thread may call them; one socket may be read on one
// thread while another writes it. Failures return the errno (never throw) and also leave it in
// errno; a failed call leaves the socket's settings as they were.
#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "gridlink/Export.h"

namespace Platform {

enum class IoStatus { Data, TimedOut, Closed, Error };

struct IoResult {
  IoStatus status = IoStatus::Error;
  std::size_t count = 0;  // bytes moved (also for a write cut short by a time-out or an error)
  int error = 0;          // errno for Error; ETIMEDOUT for a write's TimedOut; else 0
};

// First IPv4 address of host (a name or dotted text), in network byte order.
// 0 on success, else the getaddrinfo code (EAI_NONAME, ...); see ResolveErrorText.
GRIDLINK_API int ResolveIPv4(const std::string& host, in_addr& out);
GRIDLINK_API std::string ResolveErrorText(int code);

// The host name of an address (reverse lookup); 0, or the getaddrinfo code (EAI_NONAME when the
// address has no name).
GRIDLINK_API int ResolveName(const in_addr& address, std::string& name);

// A new IPv4 stream socket (close-on-exec), or -1 with errno.
GRIDLINK_API int CreateTcpSocket();
// Connects within timeoutMs; 0, or the errno (ETIMEDOUT when the time ran out, ECONNREFUSED, ...).
// The socket's blocking mode is the same afterwards as before.
GRIDLINK_API int ConnectWithTimeout(int fd, const sockaddr_in& to, std::uint32_t timeoutMs);
// Waits up to timeoutMs for a connection on a listening socket and accepts it: the new socket
// (close-on-exec, blocking) with the peer's address in from, or -1 with errno (ETIMEDOUT when
// nobody came, EBADF when the listener was closed meanwhile).
GRIDLINK_API int AcceptWithTimeout(int listener, std::uint32_t timeoutMs, sockaddr_in& from);
// Keep-alive on with the idle time before the first probe and the time between probes, or off.
GRIDLINK_API int SetKeepAlive(int fd, bool on, int idleSeconds, int intervalSeconds);
GRIDLINK_API int SetNoDelay(int fd, bool on);
GRIDLINK_API int SetBufferSizes(int fd, int receiveBytes, int sendBytes);

// Waits up to timeoutMs for data, then takes what is there (at most n bytes).
// Data (count > 0), TimedOut, Closed (the peer has shut its side), or Error. A time-out is a
// quiet line, not a fault: error 0, and errno is set to 0.
GRIDLINK_API IoResult ReadWithTimeout(int fd, void* buf, std::size_t n, std::uint32_t timeoutMs);
// Sends all n bytes within timeoutMs (never raises SIGPIPE). Data when all went, TimedOut or Error
// (EPIPE, ECONNRESET, ...) otherwise, with count saying how many went.
GRIDLINK_API IoResult WriteAll(int fd, const void* data, std::size_t n, std::uint32_t timeoutMs);

}  // namespace Platform
