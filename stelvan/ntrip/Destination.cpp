#include "Destination.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "NtripSocket.h"
#include "gridlink/platform/SerialPort.h"

namespace Ntrip {

namespace {

constexpr int kWriteTimeoutMs = 5000;

class StandardOutput : public Destination {
 public:
  bool Open(std::string&) override { return true; }
  bool Write(const char* bytes, std::size_t count, std::string& error) override {
    while (count > 0) {
      const ssize_t n = ::write(1, bytes, count);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error = std::string("standard output: ") + std::strerror(errno);
        return false;
      }
      bytes += n;
      count -= static_cast<std::size_t>(n);
    }
    return true;
  }
  void Close() override {}
  std::string Describe() const override { return "standard output"; }
};

class SerialDestination : public Destination {
 public:
  SerialDestination(std::string path, std::uint32_t rate) : path_(std::move(path)), rate_(rate) {}
  bool Open(std::string& error) override {
    if (!port_.Open(path_) || !port_.SetSpeed(rate_)) {
      error = path_ + ": " + std::strerror(port_.LastError());
      port_.Close();
      return false;
    }
    return true;
  }
  bool Write(const char* bytes, std::size_t count, std::string& error) override {
    if (port_.Write(bytes, count, kWriteTimeoutMs) == static_cast<int>(count)) return true;
    const int e = port_.LastError();
    error = path_ + ": " +
            (e == ETIMEDOUT ? std::string("the port takes no data")
             : e == EIO     ? std::string("the port is gone (unplugged, or its receiver restarted)")
                            : std::strerror(e));
    return false;
  }
  void Close() override { port_.Close(); }
  std::string Describe() const override { return path_ + " at " + std::to_string(rate_) + " bit/s"; }

 private:
  std::string path_;
  std::uint32_t rate_;
  Platform::SerialPort port_;
};

class TcpDestination : public Destination {
 public:
  TcpDestination(std::string host, int port) : host_(std::move(host)), port_(port) {}
  bool Open(std::string& error) override {
    if (socket_->Connect(host_, port_, kWriteTimeoutMs, error)) return true;
    error = "the receiver's port " + host_ + ":" + std::to_string(port_) + ": " + error;
    return false;
  }
  bool Write(const char* bytes, std::size_t count, std::string& error) override {
    if (socket_->WriteAll(bytes, count, kWriteTimeoutMs, error)) return true;
    const int e = socket_->WriteErrno();
    if (e == ETIMEDOUT)
      error = "the port takes no data";
    else if (e == EPIPE || e == ECONNRESET || e == ECONNABORTED || e == ENOTCONN)
      error = "the receiver closed the connection (" + error + ")";
    error = "the receiver's port " + host_ + ":" + std::to_string(port_) + ": " + error;
    return false;
  }
  void Close() override { socket_->Close(); }
  // The new connection's waits end early on a stop, so a stop never waits for a silent host.
  bool Reopen(const std::atomic<bool>& stop, std::string& error) override {
    socket_ = std::make_unique<NtripSocket>(&stop);
    return Open(error);
  }
  std::string Describe() const override { return host_ + ":" + std::to_string(port_); }

 private:
  std::string host_;
  int port_;
  std::unique_ptr<NtripSocket> socket_ = std::make_unique<NtripSocket>();
};

bool number(const std::string& s, long lo, long hi, long& out) {
  char* end = nullptr;
  out = std::strtol(s.c_str(), &end, 10);
  return !s.empty() && *end == '\0' && out >= lo && out <= hi;
}

}  // namespace

std::unique_ptr<Destination> Destination::Create(const std::string& text, std::string& error) {
  if (text == "-") return std::make_unique<StandardOutput>();
  const std::size_t colon = text.rfind(':');
  long n = 0;
  if (text.rfind("TCP:", 0) == 0) {
    if (colon > 4 && number(text.substr(colon + 1), 1, 65535, n))
      return std::make_unique<TcpDestination>(text.substr(4, colon - 4), static_cast<int>(n));
    error = "\"" + text + "\" is not TCP:HOST:PORT";
    return nullptr;
  }
  if (text.rfind("COM", 0) == 0) {
    // "COM" + device + ":" + rate, optionally ":" + flow control as in a receiver string.
    const std::size_t first = text.find(':');
    const std::size_t second = text.find(':', first == std::string::npos ? text.size() : first + 1);
    const std::string rate =
        first == std::string::npos
            ? ""
            : text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    if (first > 3 && number(rate, 50, 4000000, n)) {
      std::string device = text.substr(3, first - 3);
      long index = 0;
      if (number(device, 1, 256, index)) device = "/dev/ttyS" + std::to_string(index - 1);
      return std::make_unique<SerialDestination>(device, static_cast<std::uint32_t>(n));
    }
    error = "\"" + text + "\" is not COM<device>:<rate>";
    return nullptr;
  }
  error = "\"" + text + "\" names no destination (COM<device>:<rate>, TCP:HOST:PORT or -)";
  return nullptr;
}

}  // namespace Ntrip
