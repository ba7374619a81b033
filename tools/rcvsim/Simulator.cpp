#include "Simulator.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "CorrectionPort.h"
#include "LineSpeed.h"
#include "LoginFront.h"
#include "ModemFront.h"
#include "PortEnds.h"
#include "Receiver.h"
#include "Session.h"
#include "Wire.h"

namespace rcvsim {

namespace {
constexpr int kPollMs = 10;  // the serving loops look at the stop flag this often

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}
}  // namespace

Simulator::Simulator(Options options)
    : options_(std::move(options)), receiver_(std::make_unique<Receiver>(options_)) {}

Simulator::~Simulator() {
  stop();
}

Faults& Simulator::faults() {
  return receiver_->faults();
}

bool Simulator::paramValue(const std::string& path, std::string& value) {
  auto lock = receiver_->lock();
  return receiver_->params().get(ParamTree::normalise(path), value);
}

std::map<std::string, std::string> Simulator::paramValues() {
  auto lock = receiver_->lock();
  return receiver_->params().values();
}

std::uint64_t Simulator::correctionFrames() const {
  return receiver_->corrections().goodFrames();
}

int Simulator::solutionWithCorrections(int alone) const {
  return receiver_->corrections().solutionType(alone, true, true, Receiver::steadyMs());
}

std::vector<std::string> Simulator::commandsReceived() const {
  return receiver_->commands();
}

std::string Simulator::filesDir() const {
  return receiver_->files().dir();
}

bool Simulator::start(std::string& error) {
  if (started_) {
    error = "already started";
    return false;
  }
  started_ = true;
  if (!receiver_->open(error)) return false;
  stop_ = false;
  if (options_.pty && !openPty(error)) return false;
  if (!options_.tcp.empty() && !openTcp(error)) return false;
  if (options_.portB || !options_.portBTcp.empty()) {
    portB_ = std::make_unique<CorrectionPort>(receiver_->corrections(), options_.portB, options_.portBTcp);
    if (!portB_->start(error)) return false;
  }
  if (master_ >= 0) ptyThread_ = std::thread([this] { servePty(); });
  if (listen_ >= 0) tcpThread_ = std::thread([this] { serveTcp(); });
  return true;
}

void Simulator::stop() {
  stop_ = true;
  if (ptyThread_.joinable()) ptyThread_.join();
  if (tcpThread_.joinable()) tcpThread_.join();
  closeFd(master_);
  closeFd(slave_);
  closeFd(listen_);
  if (portB_) portB_->stop();
}

std::string Simulator::portBPath() const {
  return portB_ ? portB_->ptyPath() : std::string();
}

int Simulator::portBTcpPort() const {
  return portB_ ? portB_->tcpPort() : 0;
}

bool Simulator::openPty(std::string& error) {
  if (!OpenRawPty(master_, slave_, ptyPath_, LineSpeed::codeOf(options_.rate), error)) return false;
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  return true;
}

bool Simulator::openTcp(std::string& error) {
  return ListenTcp(options_.tcp, 4, listen_, tcpPort_, error);
}

void Simulator::servePty() {
  serveLink(master_, true);
}

void Simulator::serveTcp() {
  // One client at a time, as the receiver's single network port serves it.
  while (!stop_.load()) {
    pollfd pfd{listen_, POLLIN, 0};
    if (::poll(&pfd, 1, kPollMs) <= 0) continue;
    sockaddr_in peer{};
    socklen_t peerLen = sizeof peer;
    int fd = ::accept4(listen_, reinterpret_cast<sockaddr*>(&peer), &peerLen, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) continue;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    char address[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, address, sizeof address);
    {
      auto lock = receiver_->lock();
      receiver_->tcpPeer = std::string(address) + ",port=" + std::to_string(ntohs(peer.sin_port));
    }
    serveLink(fd, false);
    {
      auto lock = receiver_->lock();
      receiver_->tcpPeer.clear();
    }
    ::close(fd);
  }
}

void Simulator::serveLink(int fd, bool pty) {
  Receiver& rcv = *receiver_;
  Wire wire(fd, !pty, rcv.faults(), rcv.trace(), options_.seed + (pty ? 0 : 1), stop_);
  if (pty) wire.emulateSpeed(options_.rate, options_.pace);
  Session session(rcv, wire, pty ? "/dev/ser/a" : "/dev/tcp/a");
  std::unique_ptr<Front> front;
  if (pty && options_.modem)
    front = std::make_unique<ModemFront>(wire, options_);
  else if (!pty && !options_.wifi)
    front = std::make_unique<LoginFront>(wire, options_.password, options_.loginPieces, options_.loginGapMs);
  bool wasMismatched = wire.speed() && wire.speed()->mismatched();
  char buf[4096];
  while (!stop_.load()) {
    pollfd pfd{fd, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, kPollMs);
    if (ready > 0 && (pfd.revents & (POLLIN | POLLHUP | POLLERR))) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n == 0 && !pty) break;  // the peer closed the connection
      if (n < 0 && !pty && errno != EAGAIN && errno != EINTR) break;
      if (n > 0) {
        const bool mismatched = wire.speed() && wire.speed()->mismatched();
        if (wasMismatched && !mismatched) session.resetInput();
        wasMismatched = mismatched;
        wire.received(buf, static_cast<std::size_t>(n));
        if (front) {
          std::string through;
          front->onBytes(buf, static_cast<std::size_t>(n), through);
          if (!through.empty()) session.onBytes(through.data(), through.size());
        } else {
          session.onBytes(buf, static_cast<std::size_t>(n));
        }
      }
      if (n <= 0 && pty) ::poll(nullptr, 0, kPollMs);  // no client on the slave side
    }
    if (front) {
      front->tick();
      if (front->wantsClose()) break;
    }
    if (!front || front->receiverReached()) session.tick();
    if (session.wantsClose() || wire.broken()) break;
  }
}

}  // namespace rcvsim
