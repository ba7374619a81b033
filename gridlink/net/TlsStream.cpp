#include "net/TlsStream.h"

#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace Net {
namespace {

using Clock = std::chrono::steady_clock;

SSL* sslOf(void* p) {
  return static_cast<SSL*>(p);
}

std::string lastError(const char* what) {
  char text[256] = "";
  const unsigned long e = ERR_get_error();
  if (e) ERR_error_string_n(e, text, sizeof text);
  ERR_clear_error();
  return std::string(what) + (text[0] ? std::string(": ") + text : std::string());
}

// Milliseconds left of a bound that started at `start`.
int leftMs(Clock::time_point start, std::uint32_t timeoutMs) {
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  return spent >= timeoutMs ? 0 : static_cast<int>(timeoutMs - spent);
}

// Waits for what OpenSSL asked for; false when the bound passed or the socket failed.
bool waitFor(int fd, int sslError, int ms) {
  pollfd p{fd, static_cast<short>(sslError == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN), 0};
  const int r = ::poll(&p, 1, ms);
  return r > 0 || (r < 0 && errno == EINTR);
}

std::string fingerprintOf(X509* cert) {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  if (!cert || !X509_digest(cert, EVP_sha256(), md, &n)) return {};
  std::string out;
  char two[4];
  for (unsigned i = 0; i < n; ++i) {
    std::snprintf(two, sizeof two, i ? ":%02X" : "%02X", md[i]);
    out += two;
  }
  return out;
}

// OpenSSL writes with write(2), also inside reads and handshakes: a peer that has gone must not
// raise SIGPIPE in the caller's process. Blocked for this thread around each call; one raised
// meanwhile is taken back.
class NoSigpipe {
 public:
  NoSigpipe() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    sigpending(&m_Pending);
    m_WasPending = sigismember(&m_Pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe, &m_Old);
  }
  ~NoSigpipe() {
    if (!m_WasPending) {
      sigset_t pipe, now;
      sigemptyset(&pipe);
      sigaddset(&pipe, SIGPIPE);
      sigpending(&now);
      const timespec none{0, 0};
      if (sigismember(&now, SIGPIPE) == 1) sigtimedwait(&pipe, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &m_Old, nullptr);
  }
  NoSigpipe(const NoSigpipe&) = delete;
  NoSigpipe& operator=(const NoSigpipe&) = delete;

 private:
  sigset_t m_Old{}, m_Pending{};
  bool m_WasPending = false;
};

void nonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

}  // namespace

TlsStream::~TlsStream() {
  SSL_free(sslOf(m_Ssl));
}

bool TlsStream::handshake(bool client, std::uint32_t timeoutMs, std::string& error) {
  const auto start = Clock::now();
  for (;;) {
    int r, e;
    {
      std::lock_guard l(m_Lock);
      ERR_clear_error();  // SSL_get_error reads this thread's queue: it must hold only this call's
      const NoSigpipe quiet;
      r = client ? SSL_connect(sslOf(m_Ssl)) : SSL_accept(sslOf(m_Ssl));
      e = r == 1 ? SSL_ERROR_NONE : SSL_get_error(sslOf(m_Ssl), r);
    }
    if (r == 1) return true;
    if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) {
      error = lastError("TLS handshake failed");
      return false;
    }
    const int left = leftMs(start, timeoutMs);
    if (left == 0 || !waitFor(m_Fd, e, left)) {
      error = "TLS handshake timed out";
      return false;
    }
  }
}

std::unique_ptr<TlsStream> TlsStream::Connect(int fd, const std::string& host, const std::string& caFile,
                                              std::uint32_t timeoutMs, CTlsPeer& peer, std::string& error) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  if (!ctx) {
    error = lastError("TLS unavailable");
    return nullptr;
  }
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  const bool roots = caFile.empty() ? SSL_CTX_set_default_verify_paths(ctx) == 1
                                    : SSL_CTX_load_verify_locations(ctx, caFile.c_str(), nullptr) == 1;
  if (!roots && !caFile.empty()) {
    SSL_CTX_free(ctx);
    error = lastError(("cannot read the certificates in " + caFile).c_str());
    return nullptr;
  }
  // The chain is judged after the handshake: a self-signed server may still be trusted by
  // its fingerprint.
  SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
  SSL* ssl = SSL_new(ctx);
  SSL_CTX_free(ctx);  // the session keeps its own reference
  if (!ssl) {
    error = lastError("TLS unavailable");
    return nullptr;
  }
  SSL_set_fd(ssl, fd);
  SSL_set_tlsext_host_name(ssl, host.c_str());
  // An address is checked as an address, a name as a name.
  X509_VERIFY_PARAM* check = SSL_get0_param(ssl);
  if (X509_VERIFY_PARAM_set1_ip_asc(check, host.c_str()) != 1) SSL_set1_host(ssl, host.c_str());
  SSL_set_mode(ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  nonBlocking(fd);
  std::unique_ptr<TlsStream> s(new TlsStream(fd, ssl));
  if (!s->handshake(true, timeoutMs, error)) return nullptr;
  X509* cert = SSL_get1_peer_certificate(ssl);
  peer.fingerprint = fingerprintOf(cert);
  X509_free(cert);
  const long verify = SSL_get_verify_result(ssl);
  peer.verified = cert && verify == X509_V_OK;
  if (!peer.verified) peer.verifyError = cert ? X509_verify_cert_error_string(verify) : "no certificate";
  return s;
}

std::unique_ptr<TlsStream> TlsStream::Accept(int fd, const CTlsServerContext& ctx, std::uint32_t timeoutMs,
                                             std::string& error) {
  SSL* ssl = SSL_new(static_cast<SSL_CTX*>(ctx.Native()));
  if (!ssl) {
    error = lastError("TLS unavailable");
    return nullptr;
  }
  SSL_set_fd(ssl, fd);
  SSL_set_mode(ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  nonBlocking(fd);
  std::unique_ptr<TlsStream> s(new TlsStream(fd, ssl));
  if (!s->handshake(false, timeoutMs, error)) return nullptr;
  return s;
}

Platform::IoResult TlsStream::Read(void* buf, std::size_t n, std::uint32_t timeoutMs) {
  Platform::IoResult out;
  const auto start = Clock::now();
  for (;;) {
    std::size_t got = 0;
    int e;
    {
      std::lock_guard l(m_Lock);
      ERR_clear_error();
      const NoSigpipe quiet;  // a read may answer with an alert
      const int r = SSL_read_ex(sslOf(m_Ssl), buf, n, &got);
      e = r == 1 ? SSL_ERROR_NONE : SSL_get_error(sslOf(m_Ssl), r);
    }
    if (e == SSL_ERROR_NONE) {
      out.status = Platform::IoStatus::Data;
      out.count = got;
      return out;
    }
    if (e == SSL_ERROR_ZERO_RETURN) {
      out.status = Platform::IoStatus::Closed;
      return out;
    }
    if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) {
      ERR_clear_error();
      // A peer that simply closes its socket ends the stream as a plain one would.
      out.status =
          e == SSL_ERROR_SYSCALL && errno == 0 ? Platform::IoStatus::Closed : Platform::IoStatus::Error;
      out.error = errno;
      return out;
    }
    const int left = leftMs(start, timeoutMs);
    if (left == 0) {
      out.status = Platform::IoStatus::TimedOut;
      return out;
    }
    waitFor(m_Fd, e, left);
  }
}

Platform::IoResult TlsStream::Write(const void* data, std::size_t n, std::uint32_t timeoutMs) {
  Platform::IoResult out;
  const auto start = Clock::now();
  const auto* p = static_cast<const unsigned char*>(data);
  while (out.count < n) {
    std::size_t put = 0;
    int e;
    {
      std::lock_guard l(m_Lock);
      ERR_clear_error();
      const NoSigpipe quiet;
      const int r = SSL_write_ex(sslOf(m_Ssl), p + out.count, n - out.count, &put);
      e = r == 1 ? SSL_ERROR_NONE : SSL_get_error(sslOf(m_Ssl), r);
    }
    if (e == SSL_ERROR_NONE) {
      out.count += put;
      continue;
    }
    if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) {
      ERR_clear_error();
      out.status = Platform::IoStatus::Error;
      out.error = errno ? errno : EPIPE;
      return out;
    }
    const int left = leftMs(start, timeoutMs);
    if (left == 0) {
      out.status = Platform::IoStatus::TimedOut;
      out.error = ETIMEDOUT;
      return out;
    }
    waitFor(m_Fd, e, left);
  }
  out.status = Platform::IoStatus::Data;
  return out;
}

}  // namespace Net

std::unique_ptr<CTlsServerContext> CTlsServerContext::Load(const std::string& certFile,
                                                           const std::string& keyFile, std::string& error) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
  if (!ctx) {
    error = Net::lastError("TLS unavailable");
    return nullptr;
  }
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  if (SSL_CTX_use_certificate_chain_file(ctx, certFile.c_str()) != 1) {
    error = Net::lastError(("cannot use the certificate " + certFile).c_str());
  } else if (SSL_CTX_use_PrivateKey_file(ctx, keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
    error = Net::lastError(("cannot use the key " + keyFile).c_str());
  } else if (SSL_CTX_check_private_key(ctx) != 1) {
    error = "the key " + keyFile + " does not belong to the certificate " + certFile;
  } else {
    std::unique_ptr<CTlsServerContext> c(new CTlsServerContext());
    c->m_Ctx = ctx;
    return c;
  }
  SSL_CTX_free(ctx);
  return nullptr;
}

CTlsServerContext::~CTlsServerContext() {
  SSL_CTX_free(static_cast<SSL_CTX*>(m_Ctx));
}
