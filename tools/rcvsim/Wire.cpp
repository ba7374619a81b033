#include "Wire.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace rcvsim {

Wire::Wire(int fd, bool socket, Faults& faults, Trace& trace, std::uint64_t seed,
           const std::atomic<bool>& stop)
    : fd_(fd), socket_(socket), faults_(faults), trace_(trace), rng_(seed ^ 0xD1CEull), stop_(stop) {}

void Wire::emulateSpeed(int rate, bool pace) {
  speed_ = std::make_unique<LineSpeed>(fd_, rate, rng_.next());
  pace_ = pace;
}

void Wire::received(char* bytes, std::size_t count) {
  trace_.received(bytes, count);
  if (speed_ && speed_->mismatched()) speed_->garble(bytes, count);
}

bool Wire::sendFrame(const std::string& frame) {
  const double noise = faults_.noise.load();
  if (noise > 0 && rng_.uniform() < noise) {
    std::string burst(1 + rng_.next() % 8, '\0');
    for (char& c : burst) c = static_cast<char>(0x80 | (rng_.byte() & 0x7F));
    if (!send(burst)) return false;
  }
  return send(frame);
}

bool Wire::send(const std::string& bytes) {
  if (broken_) return false;
  std::string out;
  out.reserve(bytes.size());
  const double corrupt = faults_.corrupt.load(), drop = faults_.drop.load();
  for (char c : bytes) {
    if (drop > 0 && rng_.uniform() < drop) continue;
    if (corrupt > 0 && rng_.uniform() < corrupt) c = static_cast<char>(rng_.byte());
    out.push_back(c);
  }
  if (speed_ && speed_->mismatched()) speed_->garble(out.data(), out.size());
  trace_.sent(out.data(), out.size());
  if (!pace_ || !speed_) return writeAll(out.data(), out.size());
  // Ten bits per byte at the current rate, in slices of about 10 ms. The line keeps its own
  // clock, as a UART does: a slice that this thread starts late (a busy machine) is made up
  // by the next ones instead of being lost.
  const std::size_t slice = std::max<std::size_t>(1, static_cast<std::size_t>(speed_->rate()) / 1000);
  lineFree_ = std::max(lineFree_, std::chrono::steady_clock::now());
  for (std::size_t pos = 0; pos < out.size(); pos += slice) {
    const std::size_t n = std::min(slice, out.size() - pos);
    if (!writeAll(out.data() + pos, n)) return false;
    lineFree_ += std::chrono::microseconds(static_cast<long long>(n) * 10'000'000 / speed_->rate());
    std::this_thread::sleep_until(lineFree_);
    if (stop_.load()) return false;
  }
  return true;
}

bool Wire::writeAll(const char* p, std::size_t n) {
  auto lastProgress = std::chrono::steady_clock::now();
  while (n > 0) {
    // A peer that has gone must not kill the process that hosts the simulator.
    const ssize_t w = socket_ ? ::send(fd_, p, n, MSG_NOSIGNAL) : ::write(fd_, p, n);
    if (w > 0) {
      p += w;
      n -= static_cast<std::size_t>(w);
      sent_ += static_cast<std::uint64_t>(w);
      lastProgress = std::chrono::steady_clock::now();
      continue;
    }
    if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      broken_ = true;
      return false;
    }
    const auto now = std::chrono::steady_clock::now();
    if (stop_.load() || now < congestedUntil_) return false;
    if (now - lastProgress > std::chrono::milliseconds(500)) {
      congestedUntil_ = now + std::chrono::seconds(1);
      return false;
    }
    pollfd pfd{fd_, POLLOUT, 0};
    ::poll(&pfd, 1, 50);
  }
  return true;
}

}  // namespace rcvsim
