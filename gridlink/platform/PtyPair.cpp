#include "gridlink/platform/PtyPair.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "FdIo.h"
#include "Termios2.h"

namespace Platform {

PtyPair::~PtyPair() {
  Close();
}

bool PtyPair::Open() {
  Close();
  const int m = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (m < 0) return lastError_ = errno, false;
  char name[128] = {};
  int s = -1;
  if (::grantpt(m) != 0 || ::unlockpt(m) != 0 || ::ptsname_r(m, name, sizeof name) != 0 ||
      (s = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) < 0) {
    lastError_ = errno;
    ::close(m);
    return false;
  }
  termios t{};
  if (::tcgetattr(s, &t) == 0) {
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, B115200);
    ::cfsetospeed(&t, B115200);
    ::tcsetattr(s, TCSANOW, &t);
  }
  ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
  master_ = m;
  heldSlave_ = s;
  slavePath_ = name;
  return true;
}

std::uint32_t PtyPair::SlaveSpeed() const {
  std::uint32_t rate = 0;
  if (master_ < 0 || detail::GetSpeedTermios2(master_, rate) != 0) return 0;
  return rate;
}

bool PtyPair::SlaveHardwareFlow() const {
  termios t{};
  return master_ >= 0 && ::tcgetattr(master_, &t) == 0 && (t.c_cflag & CRTSCTS) != 0;
}

int PtyPair::ReadMaster(void* buf, std::size_t n, std::uint32_t timeoutMs) {
  if (master_ < 0) return errno = EBADF, -1;
  int err = 0;
  const int r = detail::FdRead(master_, buf, n, timeoutMs, err);
  if (r < 0) errno = err;
  return r;
}

int PtyPair::WriteMaster(const void* data, std::size_t n, std::uint32_t timeoutMs) {
  if (master_ < 0) return errno = EBADF, -1;
  int err = 0;
  const int r = detail::FdWrite(master_, data, n, timeoutMs, err);
  if (err != 0) errno = err;
  return r;
}

void PtyPair::ReleaseSlave() {
  if (heldSlave_ >= 0) ::close(heldSlave_);
  heldSlave_ = -1;
}

void PtyPair::CloseMaster() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

void PtyPair::Close() {
  ReleaseSlave();
  CloseMaster();
  slavePath_.clear();
}

}  // namespace Platform
