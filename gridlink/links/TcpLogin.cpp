#include "links/TcpLogin.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "gridlink/CBlockingSocket.h"
#include "gridlink/CLogFile.h"

namespace {

constexpr int kReadBytes = 4096;  // at most 4095 taken by each read
constexpr const char* kPrompt = "\r\nlogin:";
constexpr const char* kNoReply = "ER:Receiver don't reply!";

// The whole login's bound: no single read waits longer than its own bound or what is left.
class Deadline {
 public:
  Deadline(int readSeconds, int totalSeconds)
      : m_Read(readSeconds), m_End(std::chrono::steady_clock::now() + std::chrono::seconds(totalSeconds)) {}
  int ReadSeconds() const {
    const auto left =
        std::chrono::duration_cast<std::chrono::seconds>(m_End - std::chrono::steady_clock::now()).count();
    if (left <= 0) throw CBlockingSocketException("Receive timeout", 0);
    return static_cast<int>(std::min<long long>(m_Read, left));
  }

 private:
  int m_Read;
  std::chrono::steady_clock::time_point m_End;
};

// One read of what the receiver sent. A peer that closes is as good as one that never answers:
// both throw, like a time-out, so that the caller reports one text for all three.
std::string readAnswer(CBlockingSocket& socket, const Deadline& deadline) {
  std::vector<char> buf(kReadBytes);
  const int n = socket.Read(buf.data(), kReadBytes, deadline.ReadSeconds());
  if (n <= 0) throw CBlockingSocketException("Receive", 0);
  ClientLog().WriteData("Dev > ", buf.data(), static_cast<std::size_t>(n));
  return std::string(buf.data(), static_cast<std::size_t>(n));
}

void send(CBlockingSocket& socket, const std::string& text, const Deadline& deadline) {
  ClientLog().WriteData("Dev < ", text.data(), text.size());
  if (socket.Write(text.data(), static_cast<int>(text.size()), deadline.ReadSeconds()) !=
      static_cast<int>(text.size()))
    throw CBlockingSocketException("Send");
}

}  // namespace

std::string TcpLogin(CBlockingSocket& socket, const std::string& password, int readSeconds,
                     int totalSeconds) {
  try {
    const Deadline deadline(readSeconds, totalSeconds);
    std::string received = readAnswer(socket, deadline);
    if (received.find(kPrompt) == std::string::npos) {
      received += readAnswer(socket, deadline);  // the prompt may come in two pieces
      if (received.find(kPrompt) == std::string::npos)
        return "ER:" + (received.size() > 5 ? received.substr(5) : std::string());
    }
    send(socket, "\n", deadline);
    readAnswer(socket, deadline);
    send(socket, password + "\n", deadline);
    const std::string answer = readAnswer(socket, deadline);
    if (answer.find("RE") == std::string::npos) return "ER:" + answer;
    return {};
  } catch (const CBlockingSocketException& e) {
    ClientLog().WriteTimed(std::string("Dev/TCP login: ") + e.GetTextError());
    return kNoReply;
  }
}
