#include "logger/DataStreamLogger.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace Gnss {

namespace {
std::uint32_t tick() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
}  // namespace

DataStreamLogger::~DataStreamLogger() {
  Close();
}

bool DataStreamLogger::Open(const std::string& path, bool truncate, std::string* error) {
  std::lock_guard l(lock_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : O_APPEND), 0644);
  if (fd_ < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  ::flock(fd_, LOCK_EX | LOCK_NB);  // advisory only: a failure changes nothing here
  return true;
}

void DataStreamLogger::Close() {
  std::lock_guard l(lock_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool DataStreamLogger::IsOpen() {
  std::lock_guard l(lock_);
  return fd_ >= 0;
}

int DataStreamLogger::Detach() {
  std::lock_guard l(lock_);
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

std::size_t DataStreamLogger::Write(const std::uint8_t* bytes, std::size_t count, std::string* error) {
  std::lock_guard l(lock_);
  if (fd_ < 0) {
    if (error) *error = "no open file";
    return 0;
  }
  lastWrite_ = tick();
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, bytes + done, count - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (error) *error = n < 0 ? std::strerror(errno) : "nothing written";
    break;
  }
  bytes_ += done;
  total_ += done;
  return done;
}

}  // namespace Gnss
