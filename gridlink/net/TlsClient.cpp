#include "gridlink/TlsClient.h"

#include <cstring>

#include "net/TlsStream.h"

CTlsClient::CTlsClient(std::unique_ptr<Net::TlsStream> stream) : m_Stream(std::move(stream)) {}

CTlsClient::~CTlsClient() = default;

std::unique_ptr<CTlsClient> CTlsClient::Connect(int fd, const std::string& host, const std::string& caFile,
                                                std::uint32_t timeoutMs, CTlsPeer& peer, std::string& error) {
  std::unique_ptr<Net::TlsStream> s = Net::TlsStream::Connect(fd, host, caFile, timeoutMs, peer, error);
  if (!s) return nullptr;
  return std::unique_ptr<CTlsClient>(new CTlsClient(std::move(s)));
}

int CTlsClient::Read(void* buf, std::size_t n, std::uint32_t timeoutMs) {
  const Platform::IoResult r = m_Stream->Read(buf, n, timeoutMs);
  switch (r.status) {
    case Platform::IoStatus::Data:
      return static_cast<int>(r.count);
    case Platform::IoStatus::Closed:
      return 0;
    case Platform::IoStatus::TimedOut:
      return -2;
    default:
      return -1;
  }
}

bool CTlsClient::Write(const void* data, std::size_t n, std::uint32_t timeoutMs, std::string& error) {
  const Platform::IoResult r = m_Stream->Write(data, n, timeoutMs);
  if (r.status == Platform::IoStatus::Data) return true;
  error = r.status == Platform::IoStatus::TimedOut
              ? std::string("the TLS peer takes no data")
              : std::string("TLS write failed: ") + std::strerror(r.error);
  return false;
}
