#include "links/CTCPConnection.h"

#include <netdb.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "gridlink/CLogFile.h"
#include "gridlink/platform/SystemError.h"
#include "links/TcpLogin.h"

namespace {
constexpr std::uint32_t kReaderStartMs = 5000;
constexpr std::uint32_t kReaderStopMs = 10000;
constexpr int kReaderSliceSeconds = 1;  // how often an idle reader looks at its stop flag

// getaddrinfo's own codes, or errno for a system failure.
std::string ResolveErrorText(int code) {
  if (code == EAI_NONAME || code == EAI_NODATA) return "no such host name";
  if (code == EAI_AGAIN) return "the name server did not answer";
  if (code > 0) return Platform::SystemErrorText(code);
  return gai_strerror(code);
}

}  // namespace

CTCPConnection::CTCPConnection(CLinkOwner& owner, const std::string& receiverString)
    : CReceiverConnection(owner) {
  if (parse(receiverString)) open();
}

CTCPConnection::~CTCPConnection() {
  stopReader();
}

bool CTCPConnection::parse(const std::string& receiverString) {
  m_Login = receiverString.rfind("TCP:", 0) == 0;
  const char* format = m_Login ? "TCP:%[^:]:%d:%63[^:]" : "WIFI:%[^:]:%d:%63[^:]";
  std::vector<char> host(receiverString.size() + 1), password(64);
  int port = kDefaultPort;
  const int fields = std::sscanf(receiverString.c_str(), format, host.data(), &port, password.data());
  if (fields < 1 || port <= 0 || port > 65535) {
    // No host to reach, or no port it could listen on: as for a receiver that is not there.
    SetStatusText(kNoReply);
    return false;
  }
  m_Host = host.data();
  m_Port = fields >= 2 ? port : kDefaultPort;
  if (fields >= 3) m_Password = password.data();
  return true;
}

void CTCPConnection::open() {
  if (!connect()) return;
  if (m_Login) {
    const std::string error = TcpLogin(m_Socket, m_Password, kLoginReadSeconds, kLoginSeconds);
    if (!error.empty()) {
      SetStatusText(error);
      return;
    }
  } else {
    // The Wi-Fi port greets with nothing we want: drop whatever is pending.
    std::vector<char> pending(kReadChunk);
    const int r = m_Socket._Read(pending.data(), static_cast<int>(pending.size()), kWifiDrainSeconds);
    if (r == 0 || r == -1) {
      SetStatusText(kNoReply);
      return;
    }
  }
  if (startReader()) SetStatusText("");
}

bool CTCPConnection::connect() {
  const std::string where = m_Host + ":" + std::to_string(m_Port);
  CSockAddr address;
  try {
    m_Socket.Create();
  } catch (const CBlockingSocketException& e) {
    ClientLog().WriteTimed(std::string("Dev/TCP open: ") + e.GetTextError());
    SetStatusText(kNoReply);
    return false;
  }
  try {
    // Host names are resolved here, at each open, so a receiver that moved is found again.
    address = CBlockingSocket::GetHostByName(m_Host.c_str(), static_cast<std::uint16_t>(m_Port));
  } catch (const CBlockingSocketException& e) {
    ClientLog().WriteTimed(std::string("Dev/TCP open: ") + e.GetTextError());
    SetStatusText("ER:Can't find host " + m_Host + " (" + ResolveErrorText(e.GetErrorCode()) + ")");
    return false;
  }
  try {
    m_Socket.Connect(address, kLoginReadSeconds * 1000);
  } catch (const CBlockingSocketException& e) {
    ClientLog().WriteTimed(std::string("Dev/TCP open: ") + e.GetTextError());
    const int code = e.GetErrorCode();
    if (code == ECONNREFUSED)
      SetStatusText("ER:Connection refused by " + where);
    else if (code == ETIMEDOUT || code == 0 || code == ECONNRESET)
      SetStatusText(kNoReply);  // reset: it took the connection and dropped it before the login
    else
      SetStatusText("ER:Can't connect to " + where + " - " + Platform::SystemErrorText(code));
    return false;
  }
  return true;
}

bool CTCPConnection::startReader() {
  Platform::Event started(Platform::EventReset::Manual);
  const bool ok = m_Reader.Start([this, &started](Platform::ThreadContext& ctx) {
    ClientLog().WriteTimed("TCP thread started.");
    started.Set();  // `started` is not touched after this
    readerLoop(ctx);
    ClientLog().WriteTimed("TCP thread terminated.\r\n");
  });
  if (!ok || started.Wait(kReaderStartMs) != Platform::WaitResult::Signalled) {
    stopReader();
    SetStatusText("ER:TCP thread aborted!");
    return false;
  }
  return true;
}

void CTCPConnection::readerLoop(Platform::ThreadContext& ctx) {
  std::vector<std::uint8_t> chunk(kReadChunk);
  while (!ctx.StopRequested()) {
    const int n = m_Socket._Read(reinterpret_cast<char*>(chunk.data()), static_cast<int>(chunk.size()),
                                 kReaderSliceSeconds);
    if (n > 0) {
      OnReceive(chunk.data(), static_cast<std::size_t>(n));
      continue;
    }
    if (n == -2) {
      OnReaderIdle();
      continue;
    }
    const int err = errno;
    if (!m_Stopping.load())
      endLink(n == 0 ? "the receiver closed the connection" : Platform::SystemErrorText(err));
    return;
  }
}

int CTCPConnection::Write(const void* bytes, std::size_t count) {
  if (count == 0 || LinkLost() || !m_Socket.IsOpen()) return 0;
  const int n = m_Socket.Write(static_cast<const char*>(bytes), static_cast<int>(count), kWriteSeconds);
  if (n == static_cast<int>(count)) return n;
  const int err = errno;
  // A receiver that takes nothing for this long is gone; holding the caller longer helps nobody.
  endLink(err == ETIMEDOUT ? "the receiver takes no data" : Platform::SystemErrorText(err));
  return 0;
}

void CTCPConnection::endLink(const std::string& why) {
  if (LinkLost()) return;
  MarkLinkLost("Receiver link lost: TCP " + why);
  m_Socket.Cleanup();  // wakes the reader, which then ends
}

void CTCPConnection::stopReader() {
  m_Stopping.store(true);
  RequestReaderStop();
  m_Reader.RequestStop();
  m_Socket.Cleanup();  // ends a pending read at once
  if (m_Reader.Joinable() && !m_Reader.Join(kReaderStopMs))
    ClientLog().WriteTimed("Dev/TCP thread did not stop in time");
}
