#pragma once
// TLS for the links to a remote server (OpenSSL underneath, never seen here).
//
// CTlsServerContext: a server's certificate and key, loaded once and shared by every accepted
// connection (CBlockingSocket::StartTlsServer). Any thread once loaded.
// CTlsPeer: what a client learned of the server in its handshake.
#include <memory>
#include <string>

#include "gridlink/Export.h"

class GRIDLINK_API CTlsServerContext {
 public:
  // Loads a PEM certificate (chain) and its private key; null with the reason in error.
  static std::unique_ptr<CTlsServerContext> Load(const std::string& certFile, const std::string& keyFile,
                                                 std::string& error);
  ~CTlsServerContext();
  CTlsServerContext(const CTlsServerContext&) = delete;
  CTlsServerContext& operator=(const CTlsServerContext&) = delete;
  void* Native() const { return m_Ctx; }  // SSL_CTX*

 private:
  CTlsServerContext() = default;
  void* m_Ctx = nullptr;
};

struct CTlsPeer {
  // The server certificate's SHA-256 fingerprint, "AB:CD:..." (upper-case hex).
  std::string fingerprint;
  // True when the certificate chains to a trusted root (the system's, or caFile's) and names
  // the host connected to.
  bool verified = false;
  std::string verifyError;  // why not, when not
};
