// LocalServer's "WriteRaw": bytes (corrections, as a rule) onto the receiver's link. The request
// runs under the connection's send lock like any other, so it lands between two commands and
// never between a command and its reply.
#include "gridlink/CLogFile.h"
#include "links/CReceiverConnection.h"
#include "session/LocalServer.h"
#include "session/RawWriteText.h"

int LocalServer::WriteRaw(std::string_view arg) {
  if (!ownLink()) return 0;
  std::string bytes;
  if (!ServerLink::DecodeRawWrite(arg, bytes) || bytes.empty()) {
    m_Reply = "ER:WriteRaw wants hexadecimal bytes";
    return 0;
  }
  if (m_Transfer && !m_Transfer->Finished()) {
    // The reader is in a raw mode and the receiver in its transfer protocol: not now.
    m_Reply = "ER:File transfer in progress, data not sent";
    return 0;
  }
  return m_Link->WriteRaw(bytes, m_Reply) ? 1 : 0;
}

namespace LocalSrv {

bool DeviceLink::WriteRaw(const std::string& bytes, std::string& reply) {
  CReceiverConnection* link = Raw();
  if (link == nullptr) {
    reply = "ER:Don't support";
    return false;
  }
  if (link->LinkLost()) {
    reply = "ER:" + link->StatusText();
    return false;
  }
  ClientLog().WriteData("Dev < ", bytes.data(), bytes.size());
  const int written = link->Write(bytes.data(), bytes.size());
  if (written == static_cast<int>(bytes.size())) return true;
  const std::string why = link->StatusText();
  reply = "ER:Can't send data to the receiver (" + std::to_string(written < 0 ? 0 : written) + " of " +
          std::to_string(bytes.size()) + " bytes written)" + (why.empty() ? "" : ": " + why);
  return false;
}

}  // namespace LocalSrv
