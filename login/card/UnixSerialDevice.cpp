#include "login/card/UnixSerialDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "login/card/SerialDeviceError.h"

UnixSerialDevice::UnixSerialDevice(const char* path) : path_(path ? path : ""), hasPath_(path != nullptr) {}

UnixSerialDevice::~UnixSerialDevice() {
  if (fd_ >= 0) ::close(fd_);
}

void UnixSerialDevice::open() {
  if (!hasPath_ || path_.empty()) throw SerialDeviceError(0);
  if (fd_ >= 0) return;
  int fd = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) throw SerialDeviceError(0);
  struct termios tio;
  std::memset(&tio, 0, sizeof tio);
  cfmakeraw(&tio);
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  tio.c_iflag = IGNBRK | IGNPAR | INPCK;
  tio.c_cflag |= CS8 | CREAD | PARENB | CLOCAL;
  tio.c_cflag &= ~(PARODD | CSTOPB);
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 10;
  tcsetattr(fd, TCSANOW, &tio);
  fd_ = fd;
}

long UnixSerialDevice::read(unsigned char* buffer, size_t* count) {
  if (fd_ < 0) throw SerialDeviceError(1);
  for (;;) {
    ssize_t n = ::read(fd_, buffer, *count);
    if (n >= 0) {
      *count = static_cast<size_t>(n);
      return static_cast<long>(n);
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      *count = 0;
      return 0;
    }
    throw SerialDeviceError(1);
  }
}

long UnixSerialDevice::write(const unsigned char* buffer, size_t* count) {
  if (fd_ < 0) throw SerialDeviceError(1);
  for (;;) {
    ssize_t n = ::write(fd_, buffer, *count);
    if (n >= 0) {
      *count = static_cast<size_t>(n);
      return static_cast<long>(n);
    }
    if (errno == EINTR) continue;
    throw SerialDeviceError(1);
  }
}

int UnixSerialDevice::waitForInput() {
  if (fd_ < 0) return 0;
  fd_set rd;
  FD_ZERO(&rd);
  FD_SET(fd_, &rd);
  struct timeval tv = {0, 0};
  return select(fd_ + 1, &rd, nullptr, nullptr, &tv) > 0 ? 1 : 0;
}

bool UnixSerialDevice::waitReadable(int timeoutMs) {
  if (fd_ < 0) throw SerialDeviceError(1);
  struct pollfd p = {fd_, POLLIN, 0};
  for (;;) {
    int r = poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) throw SerialDeviceError(1);
    return r > 0;
  }
}

void UnixSerialDevice::flush() {
  if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

void UnixSerialDevice::clearRTS() {
  int bits = TIOCM_RTS;
  if (fd_ >= 0) ioctl(fd_, TIOCMBIC, &bits);
}

void UnixSerialDevice::setRTS() {
  int bits = TIOCM_RTS;
  if (fd_ >= 0) ioctl(fd_, TIOCMBIS, &bits);
}

int UnixSerialDevice::carrierDetect() {
  int bits = 0;
  if (fd_ < 0 || ioctl(fd_, TIOCMGET, &bits) != 0) return 0;
  return (bits & TIOCM_CAR) ? 1 : 0;
}

// Linux has no TIOCSDTR/TIOCCDTR: the DTR bit goes through TIOCMBIS/TIOCMBIC.
void UnixSerialDevice::setDTR() {
  int bits = TIOCM_DTR;
  if (fd_ >= 0) ioctl(fd_, TIOCMBIS, &bits);
}

void UnixSerialDevice::clearDTR() {
  int bits = TIOCM_DTR;
  if (fd_ >= 0) ioctl(fd_, TIOCMBIC, &bits);
}
