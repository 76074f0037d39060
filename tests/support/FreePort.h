// A TCP (or, with SOCK_DGRAM, UDP) port on 127.0.0.1 that nothing uses at
// the moment of the call (the system picks it); 0 when none could be had. For programs whose port is
// given on their command line or in their environment.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qwtest {

inline int FreeLoopbackPort(int type = SOCK_STREAM) {
  const int fd = socket(AF_INET, type, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  if (fd >= 0) close(fd);
  return port;
}

}  // namespace qwtest
