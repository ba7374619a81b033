#pragma once
// A TCP connection to a caster whose every wait is bounded and also ends
// early when a cancel flag is raised (checked every 100 ms), optionally with
// TLS on top. Owned and used by one thread; the cancel flag may be raised from
// any other.
#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

class CTlsClient;

struct sockaddr;

namespace Ntrip {

class NtripSocket {
 public:
  explicit NtripSocket(const std::atomic<bool>* cancel = nullptr);
  ~NtripSocket();
  NtripSocket(const NtripSocket&) = delete;
  NtripSocket& operator=(const NtripSocket&) = delete;

  // Resolves and connects within timeoutMs; false with the reason in `error`.
  bool Connect(const std::string& host, int port, int timeoutMs, std::string& error);
  // TLS over the connection: handshake, then the certificate is judged (a CA file or a
  // fingerprint trusts one the system's roots do not). False with the reason, and the
  // socket closed; Untrusted() tells a refused certificate from a failed handshake.
  bool StartTls(const std::string& host, int port, const std::string& caFile, const std::string& fingerprint,
                int timeoutMs, std::string& error);
  bool Untrusted() const { return untrusted_; }
  // Up to n bytes: the count, 0 when the peer closed, -1 on error, -2 when
  // nothing came within timeoutMs (or the cancel flag was raised).
  int Read(char* buf, std::size_t n, int timeoutMs);
  // Sends every byte within timeoutMs; false with the reason in `error`.
  bool WriteAll(const char* bytes, std::size_t n, int timeoutMs, std::string& error);
  bool WriteAll(const std::string& s, int timeoutMs, std::string& error) {
    return WriteAll(s.data(), s.size(), timeoutMs, error);
  }
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // Why the last WriteAll on a plain connection failed: the errno of its send, ETIMEDOUT when
  // the peer took nothing in time, ENOTCONN when not connected.
  int WriteErrno() const { return writeErrno_; }

 private:
  // Waits for `events` up to timeoutMs in slices; >0 ready, 0 timed out or cancelled, <0 error.
  int wait(short events, int timeoutMs);
  bool cancelled() const { return cancel_ && cancel_->load(); }
  // One connection attempt; 0, or the error (the socket is closed then).
  int connectTo(int family, const ::sockaddr* address, unsigned length, int timeoutMs);

  const std::atomic<bool>* cancel_;
  int fd_ = -1;
  std::unique_ptr<CTlsClient> tls_;
  bool untrusted_ = false;
  int writeErrno_ = 0;
};

}  // namespace Ntrip
