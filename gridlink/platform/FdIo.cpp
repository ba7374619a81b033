#include "FdIo.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "gridlink/platform/Clock.h"

namespace Platform::detail {

namespace {
std::uint32_t remaining(std::uint32_t start, std::uint32_t timeoutMs) {
  const std::uint32_t spent = GetTickCount() - start;
  return spent >= timeoutMs ? 0 : timeoutMs - spent;
}
}  // namespace

int FdPoll(int fd, short events, std::uint32_t timeoutMs, short& revents, int& err) {
  if (fd < 0) {  // poll() would skip the entry and report a time-out
    err = EBADF;
    return -1;
  }
  const std::uint32_t start = GetTickCount();
  for (;;) {
    pollfd p{fd, events, 0};
    const std::uint32_t left = remaining(start, timeoutMs);
    const int r = ::poll(&p, 1, left > INT_MAX ? INT_MAX : static_cast<int>(left));
    if (r > 0) {
      revents = p.revents;
      return 1;
    }
    if (r == 0) return 0;
    if (errno != EINTR) {
      err = errno;
      return -1;
    }
  }
}

int FdRead(int fd, void* buf, std::size_t n, std::uint32_t timeoutMs, int& err) {
  if (n == 0) return 0;
  if (n > INT_MAX) n = INT_MAX;
  const std::uint32_t start = GetTickCount();
  for (;;) {
    const ssize_t r = ::read(fd, buf, n);
    if (r > 0) return static_cast<int>(r);
    if (r == 0) {
      err = EIO;  // end of file: the other side has gone
      return -1;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      err = errno;
      return -1;
    }
    short revents = 0;
    const int p = FdPoll(fd, POLLIN, remaining(start, timeoutMs), revents, err);
    if (p <= 0) return p;
    if (revents & POLLNVAL) {
      err = EBADF;
      return -1;
    }
    // A hang-up without data would make read() fail or return 0 at once; loop to get that answer.
    if (!(revents & POLLIN) && (revents & (POLLHUP | POLLERR))) {
      err = EIO;
      return -1;
    }
  }
}

int FdWrite(int fd, const void* data, std::size_t n, std::uint32_t timeoutMs, int& err) {
  if (n > INT_MAX) n = INT_MAX;
  const auto* p = static_cast<const unsigned char*>(data);
  std::size_t done = 0;
  const std::uint32_t start = GetTickCount();
  while (done < n) {
    const ssize_t w = ::write(fd, p + done, n - done);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      err = errno;
      return -1;
    }
    short revents = 0;
    const int r = FdPoll(fd, POLLOUT, remaining(start, timeoutMs), revents, err);
    if (r < 0) return -1;
    if (r == 0) {
      err = ETIMEDOUT;
      return static_cast<int>(done);
    }
    if (!(revents & POLLOUT) && (revents & (POLLHUP | POLLERR | POLLNVAL))) {
      err = (revents & POLLNVAL) ? EBADF : EIO;
      return -1;
    }
  }
  return static_cast<int>(done);
}

}  // namespace Platform::detail
