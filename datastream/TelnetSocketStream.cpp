#include "datastream/TelnetSocketStream.h"

#include <cerrno>
#include <sys/socket.h>
#include <sys/types.h>

long TelnetSocketStream::read(void* buffer, size_t size) {
  if (socket_ < 0) {
    errno = EBADF;
    return -1;
  }
  ssize_t n;
  do {
    n = recv(socket_, buffer, size, 0);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}

long TelnetSocketStream::write(const void* data, size_t size) {
  if (socket_ < 0) {
    errno = EBADF;
    return -1;
  }
  ssize_t n;
  do {
    n = send(socket_, data, size, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}
