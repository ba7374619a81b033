#include "gridlink/platform/SerialPort.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "FdIo.h"
#include "SerialSpeed.h"
#include "Termios2.h"
#include "gridlink/CLogFile.h"
#include "gridlink/platform/Clock.h"
#include "gridlink/platform/SystemError.h"

namespace Platform {

namespace {
constexpr std::uint32_t kDrainPollMs = 2;

bool notThere(int err) {
  return err == ENOTTY || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP;
}
}  // namespace

bool IsStandardSerialRate(std::uint32_t rate) {
  return detail::StandardSpeedCode(rate) != B0;
}

SerialPort::~SerialPort() {
  Close();
}

bool SerialPort::fail(int err) {
  lastError_ = err;
  errno = err;
  return false;
}

bool SerialPort::Open(const std::string& devicePath) {
  Close();
  const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(errno);
  auto abandon = [fd, this](int err) {
    ::close(fd);
    return fail(err);
  };
  if (::ioctl(fd, TIOCEXCL) != 0) return abandon(errno);
  // TIOCEXCL does not hold against a privileged opener; the advisory lock does among us.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return abandon(errno == EWOULDBLOCK ? EBUSY : errno);
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return abandon(errno);
  ::cfmakeraw(&t);
  t.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS | CSIZE);
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
  // VMIN 1: an empty non-blocking read then answers EAGAIN, so a read of 0 bytes means hang-up.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  ::cfsetispeed(&t, B115200);
  ::cfsetospeed(&t, B115200);
  if (::tcsetattr(fd, TCSANOW, &t) != 0) return abandon(errno);
  ::tcflush(fd, TCIOFLUSH);
  fd_ = fd;
  path_ = devicePath;
  return true;
}

void SerialPort::Close() {
  if (fd_ < 0) return;
  ::close(fd_);  // also drops the advisory lock and the exclusive flag
  fd_ = -1;
  path_.clear();
}

bool SerialPort::SetSpeed(std::uint32_t rate) {
  if (fd_ < 0) return fail(EBADF);
  if (rate == 0) return fail(EINVAL);  // B0 would hang the line up
  const speed_t code = detail::StandardSpeedCode(rate);
  if (code == B0) {
    const int err = detail::SetSpeedTermios2(fd_, rate);
    return err == 0 ? true : fail(err);
  }
  termios t{};
  if (::tcgetattr(fd_, &t) != 0) return fail(errno);
  ::cfsetispeed(&t, code);
  ::cfsetospeed(&t, code);
  if (::tcsetattr(fd_, TCSANOW, &t) != 0) return fail(errno);
  // tcsetattr succeeds when any part of the change took; check that the speed did.
  termios check{};
  if (::tcgetattr(fd_, &check) != 0) return fail(errno);
  return ::cfgetospeed(&check) == code ? true : fail(EINVAL);
}

std::uint32_t SerialPort::GetSpeed() {
  if (fd_ < 0) return fail(EBADF), 0;
  std::uint32_t rate = 0;
  const int err = detail::GetSpeedTermios2(fd_, rate);
  return err == 0 ? rate : (fail(err), 0);
}

bool SerialPort::SetHardwareFlowControl(bool on) {
  if (fd_ < 0) return fail(EBADF);
  termios t{};
  if (::tcgetattr(fd_, &t) != 0) return fail(errno);
  if (on)
    t.c_cflag |= CRTSCTS;
  else
    t.c_cflag &= ~CRTSCTS;
  return ::tcsetattr(fd_, TCSANOW, &t) == 0 ? true : fail(errno);
}

bool SerialPort::HardwareFlowControl() {
  termios t{};
  if (fd_ < 0 || ::tcgetattr(fd_, &t) != 0) return false;
  return (t.c_cflag & CRTSCTS) != 0;
}

SerialSupport SerialPort::modemLine(int bit, bool on, const char* name) {
  if (fd_ < 0) return fail(EBADF), SerialSupport::Failed;
  if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0) return SerialSupport::Done;
  const int err = errno;
  fail(err);
  if (!notThere(err)) return SerialSupport::Failed;
  ClientLog().WriteTimed(std::string("Dev/COM ") + path_ + ": " + name + " not supported here (" +
                         SystemErrorText(err) + ")\r\n");
  return SerialSupport::NotSupported;
}

SerialSupport SerialPort::SetRts(bool on) {
  return modemLine(TIOCM_RTS, on, "RTS");
}
SerialSupport SerialPort::SetDtr(bool on) {
  return modemLine(TIOCM_DTR, on, "DTR");
}

bool SerialPort::Purge(bool input, bool output) {
  if (fd_ < 0) return fail(EBADF);
  if (!input && !output) return true;
  const int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
  return ::tcflush(fd_, which) == 0 ? true : fail(errno);
}

bool SerialPort::Drain(std::uint32_t timeoutMs) {
  if (fd_ < 0) return fail(EBADF);
  // tcdrain() would wait without limit when handshake holds the line; poll the queue instead.
  const std::uint32_t start = GetTickCount();
  for (;;) {
    int queued = 0;
    if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) queued = 0;
    unsigned int lsr = TIOCSER_TEMT;
    if (::ioctl(fd_, TIOCSERGETLSR, &lsr) != 0) lsr = TIOCSER_TEMT;  // not a UART: nothing to wait for
    if (queued == 0 && (lsr & TIOCSER_TEMT)) return true;
    if (GetTickCount() - start >= timeoutMs) return fail(ETIMEDOUT);
    Sleep(kDrainPollMs);
  }
}

int SerialPort::Write(const void* data, std::size_t n, std::uint32_t timeoutMs) {
  if (fd_ < 0) return fail(EBADF), -1;
  int err = 0;
  const int r = detail::FdWrite(fd_, data, n, timeoutMs, err);
  if (err != 0) fail(err);
  return r;
}

int SerialPort::Read(void* buf, std::size_t n, std::uint32_t timeoutMs) {
  if (fd_ < 0) return fail(EBADF), -1;
  int err = 0;
  const int r = detail::FdRead(fd_, buf, n, timeoutMs, err);
  if (r < 0) fail(err);
  return r;
}

int SerialPort::BytesAvailable() {
  int count = 0;
  if (fd_ < 0) return fail(EBADF), -1;
  return ::ioctl(fd_, FIONREAD, &count) == 0 ? count : (fail(errno), -1);
}

SerialSupport SerialPort::GetLineCounters(SerialLineCounters& out) {
  if (fd_ < 0) return fail(EBADF), SerialSupport::Failed;
  serial_icounter_struct ic{};
  if (::ioctl(fd_, TIOCGICOUNT, &ic) != 0) {
    const int err = errno;
    fail(err);
    return notThere(err) ? SerialSupport::NotSupported : SerialSupport::Failed;
  }
  out.frame = static_cast<std::uint32_t>(ic.frame);
  out.overrun = static_cast<std::uint32_t>(ic.overrun);
  out.parity = static_cast<std::uint32_t>(ic.parity);
  out.brk = static_cast<std::uint32_t>(ic.brk);
  out.bufOverrun = static_cast<std::uint32_t>(ic.buf_overrun);
  return SerialSupport::Done;
}

}  // namespace Platform
