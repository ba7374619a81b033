#include "links/TcpLogin.h"

#include <vector>

#include "gridlink/CBlockingSocket.h"
#include "gridlink/CLogFile.h"

namespace {

constexpr int kReadBytes = 4096;  // at most 4095 taken by each read
constexpr const char* kPrompt = "\r\nlogin:";
constexpr const char* kNoReply = "ER:Receiver don't reply!";

// One read of what the receiver sent. A peer that closes is as good as one that never answers:
// both throw, like a time-out, so that the caller reports one text for all three.
std::string readAnswer(CBlockingSocket& socket, int seconds) {
  std::vector<char> buf(kReadBytes);
  const int n = socket.Read(buf.data(), kReadBytes, seconds);
  if (n <= 0) throw CBlockingSocketException("Receive", 0);
  ClientLog().WriteData("Dev > ", buf.data(), static_cast<std::size_t>(n));
  return std::string(buf.data(), static_cast<std::size_t>(n));
}

void send(CBlockingSocket& socket, const std::string& text, int seconds) {
  ClientLog().WriteData("Dev < ", text.data(), text.size());
  if (socket.Write(text.data(), static_cast<int>(text.size()), seconds) != static_cast<int>(text.size()))
    throw CBlockingSocketException("Send");
}

}  // namespace

std::string TcpLogin(CBlockingSocket& socket, const std::string& password, int readSeconds) {
  try {
    std::string received = readAnswer(socket, readSeconds);
    if (received.find(kPrompt) == std::string::npos) {
      received += readAnswer(socket, readSeconds);  // the prompt may come in two pieces
      if (received.find(kPrompt) == std::string::npos)
        return "ER:" + (received.size() > 5 ? received.substr(5) : std::string());
    }
    send(socket, "\n", readSeconds);
    readAnswer(socket, readSeconds);
    send(socket, password + "\n", readSeconds);
    const std::string answer = readAnswer(socket, readSeconds);
    if (answer.find("RE") == std::string::npos) return "ER:" + answer;
    return {};
  } catch (const CBlockingSocketException& e) {
    ClientLog().WriteTimed(std::string("Dev/TCP login: ") + e.GetTextError());
    return kNoReply;
  }
}
