#pragma once
// Plain byte-level clients for the receiver simulator: a pseudo-terminal end
// (raw, with a chosen speed) or a TCP connection to 127.0.0.1, with bounded
// reads, a ZRX frame splitter and a command exchange that joins long replies.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gridlink/Framing.h"

namespace simtest {

inline std::int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Frame {
  std::string id;     // two characters
  std::string bytes;  // the whole frame
  std::string body() const { return bytes.substr(5); }
};

class Link {
 public:
  Link() = default;
  ~Link() { close(); }
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  bool openPty(const std::string& path, speed_t speed = B115200) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) return false;
    return setSpeed(speed);
  }
  bool setSpeed(speed_t speed) {
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return false;
    cfmakeraw(&t);
    cfsetspeed(&t, speed);
    return tcsetattr(fd_, TCSANOW, &t) == 0;
  }
  bool openTcp(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return false;
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    return true;
  }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  void send(const std::string& bytes) {
    std::size_t done = 0;
    const std::int64_t end = nowMs() + 2000;
    while (done < bytes.size() && nowMs() < end) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n > 0)
        done += static_cast<std::size_t>(n);
      else {
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 20);
      }
    }
  }
  void sendCommand(const std::string& text) { send(Zrx::sealCommand(text)); }

  // Reads into the buffer for up to `ms`; returns false when the peer closed.
  bool pump(int ms) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return true;
    char buf[65536];
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n > 0) buf_.append(buf, static_cast<std::size_t>(n));
    return n != 0;
  }
  // Reads until `done(buffer)` holds or `ms` passed; true when it held.
  bool readUntil(const std::function<bool(const std::string&)>& done, int ms) {
    const std::int64_t end = nowMs() + ms;
    while (!done(buf_)) {
      const std::int64_t left = end - nowMs();
      if (left <= 0) return false;
      if (!pump(static_cast<int>(std::min<std::int64_t>(left, 50)))) return done(buf_);
    }
    return true;
  }
  // Everything that arrives within `ms`.
  std::string drain(int ms) {
    const std::int64_t end = nowMs() + ms;
    while (nowMs() < end) pump(20);
    std::string out;
    out.swap(buf_);
    return out;
  }
  bool closedByPeer(int ms) {
    const std::int64_t end = nowMs() + ms;
    while (nowMs() < end)
      if (!pump(20)) return true;
    return false;
  }
  std::string& buffer() { return buf_; }

  // Next complete frame from the buffer, waiting up to `ms`; noise is skipped.
  bool nextFrame(Frame& f, int ms) {
    const std::int64_t end = nowMs() + ms;
    while (true) {
      const auto scan = Zrx::findFrame(reinterpret_cast<const std::uint8_t*>(buf_.data()), buf_.size());
      if (scan.complete) {
        f.bytes = buf_.substr(scan.skip, scan.length);
        f.id = f.bytes.substr(0, 2);
        buf_.erase(0, scan.skip + scan.length);
        return true;
      }
      buf_.erase(0, scan.skip);
      const std::int64_t left = end - nowMs();
      if (left <= 0 || !pump(static_cast<int>(std::min<std::int64_t>(left, 50)))) return false;
    }
  }

  // Sends a command and returns its reply joined from its pieces ("" on time-out).
  // `frames` receives the raw reply frames.
  std::string exchange(const std::string& text, int ms = 2000, std::vector<std::string>* frames = nullptr) {
    sendCommand(text);
    return reply(ms, frames);
  }
  std::string reply(int ms = 2000, std::vector<std::string>* frames = nullptr) {
    const std::int64_t end = nowMs() + ms;
    std::string joined;
    Frame f;
    while (nextFrame(f, static_cast<int>(std::max<std::int64_t>(0, end - nowMs())))) {
      if (f.id != "RE" && f.id != "ER") continue;  // data frames are not replies
      if (frames) frames->push_back(f.bytes);
      std::string text = f.bytes.substr(5);
      if (joined.empty()) {
        joined = f.bytes;
      } else {
        if (!text.empty() && text[0] == '%') {
          const std::size_t close = text.find('%', 1);
          if (close != std::string::npos) text = text.substr(close + 1);
        }
        joined += text;
      }
      const char last = f.bytes.size() > 5 ? f.bytes.back() : 0;
      if (last != ',' && last != '{') return joined;
    }
    return std::string();
  }

 private:
  int fd_ = -1;
  std::string buf_;
};

// Body of a reply without its identifier and header ("RE00A%7%value" -> "value").
inline std::string replyText(const std::string& reply) {
  if (reply.size() < 5) return std::string();
  std::string t = reply.substr(5);
  if (!t.empty() && t[0] == '%') {
    const std::size_t close = t.find('%', 1);
    if (close != std::string::npos) t = t.substr(close + 1);
  }
  return t;
}

}  // namespace simtest
