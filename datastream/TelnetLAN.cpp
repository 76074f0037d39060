// TelnetLAN: construction, opening and closing the connection.
#include "datastream/TelnetLAN.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "datastream/TelnetSessionLink.h"
#include "datastream/TelnetSocketInput.h"
#include "base/LocalMalloc.h"
#include "base/LogMsg.h"

TelnetLAN::TelnetLAN(TelnetSessionLink& session)
    : Telnet(session), liveGuard(std::make_shared<bool>(true)) {}

TelnetLAN::~TelnetLAN() {
  cancelFailureReport();
  tel_close();
  *liveGuard = false;
}

void TelnetLAN::tel_cleardevname() { memset(devname, 0, sizeof devname); }

void TelnetLAN::tel_connecterror(const char* msgName, int retry) {
  // A failed connection has no input source any more: a source left on a
  // dead socket would fire again and again, or on a reused descriptor.
  removeSocketInput();
  tel_cleardevname();
  session.connectError(msgName, retry);
}

void TelnetLAN::addSocketInput() {
  if (sock == 0 || inputId != 0) return;
  inputId = session.eventSources().AddInput(sock, [this]() { TelnetSocketInput(*this, session); });
}

void TelnetLAN::removeSocketInput() {
  if (inputId == 0) return;
  EventSources::Id id = inputId;
  inputId = 0;
  session.eventSources().RemoveInput(id);
}

TelnetStream& TelnetLAN::stream() {
  TelnetStream* secure = session.secureStream();
  return secure ? *secure : plainStream;
}

int TelnetLAN::setBlocking(bool blocking) {
  int flags = fcntl(sock, F_GETFL);
  if (flags < 0) return -1;
  flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return fcntl(sock, F_SETFL, flags) < 0 ? -1 : 0;
}

void TelnetLAN::tel_close() {
  removeSocketInput();
  if (waitInputId != 0) {
    EventSources::Id id = waitInputId;
    waitInputId = 0;
    session.eventSources().RemoveInput(id);
  }
  if (sock != 0) {
    // The secure session ends with its connection.
    if (TelnetStream* secure = session.secureStream()) secure->close();
    close(sock);
    sock = 0;
  }
  unwatchOutput();
  sendQueue.clear();
  sendQueue.shrink_to_fit();
  sendQueueHead = 0;
  plainStream.setSocket(-1);
  free(inbuff);
  inbuff = nullptr;
  free(outbuff);
  outbuff = nullptr;
  readPos = remaining = outPos = 0;
  parser.reset();
  earlyData.clear();
  earlyEors.clear();
  negotiated = 0;
  ++connection;
}

namespace {

// A descriptor of 0, 1 or 2 is moved to the lowest free one from 3 on.
int AboveStandardDescriptors(int fd) {
  if (fd > 2) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  close(fd);
  return moved;
}

}  // namespace

int TelnetLAN::tel_init(const char* host, int port) {
  cancelFailureReport();  // a new connection: the old one is not reported any more
  if (sock != 0 || inbuff || outbuff) tel_close();
  auto guard = liveGuard;

  inbuff = static_cast<unsigned char*>(LocalMalloc("tel_init inbuff", kBufferSize, MallocFailLowMemoryDialog));
  outbuff = inbuff ? static_cast<unsigned char*>(LocalMalloc("tel_init outbuff", kBufferSize, MallocFailLowMemoryDialog))
                   : nullptr;
  if (!inbuff || !outbuff) {
    free(inbuff);
    inbuff = nullptr;
    return -1;
  }

  if (port == 0) {
    struct servent* se = getservbyname("telnet", "tcp");
    if (!se) {
      tel_connecterror("ErrorMsgTelnetUndefined", 0);
      LogMsg(LevelError, "%s: Telnet is not defined in the services file.\n", "QWC0031");
      return -2;
    }
    port = ntohs(static_cast<uint16_t>(se->s_port));
  }
  session.setPort(port);

  const bool quiet = session.reconnecting();
  if (!quiet && (session.x_comm_msg(657) == -1 || !*guard)) return -2;

  struct addrinfo hints;
  memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  char service[16];
  snprintf(service, sizeof service, "%d", port);
  struct addrinfo* addresses = nullptr;
  int gai = getaddrinfo(host ? host : "", service, &hints, &addresses);
  if (gai != 0 || !addresses) {
    tel_connecterror("ErrorMsgUnknownHost", 1);
    LogMsg(LevelError, "%s: gethostbyname( %s ) failed. h_errno = %d.\n", "QWC0216", host ? host : "", gai);
    if (addresses) freeaddrinfo(addresses);
    return -2;
  }

  if (!quiet && (session.x_comm_msg(656) == -1 || !*guard)) {
    freeaddrinfo(addresses);
    return -2;
  }

  EventSources& events = session.eventSources();
  const uint64_t timeoutMs = static_cast<uint64_t>(session.connectTimeoutSeconds() > 0 ? session.connectTimeoutSeconds() : 1) * 1000;
  bool announced = false;
  int connected = -1;
  for (struct addrinfo* ai = addresses; ai && connected < 0; ai = ai->ai_next) {
    // A socket whose connect failed cannot be used again: one per address.
    int fd = socket(ai->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      freeaddrinfo(addresses);
      tel_connecterror("ErrorMsgUnableToConnect", 0);
      LogMsg(LevelError, "%s: socket function error.\n", "QWC0032");
      return -2;
    }
    fd = AboveStandardDescriptors(fd);
    if (fd < 0) {
      freeaddrinfo(addresses);
      tel_connecterror("ErrorMsgUnableToConnect", 0);
      LogMsg(LevelError, "%s: Couldn't get valid socket descriptor.\n", "QWC0033");
      return -2;
    }
    int one = 1;
    if (setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) < 0) {
      close(fd);
      freeaddrinfo(addresses);
      tel_connecterror("ErrorMsgUnableToConnect", 0);
      LogMsg(LevelError, "%s: setsockopt function error.\n", "QWC0034");
      return -2;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
      close(fd);
      freeaddrinfo(addresses);
      tel_connecterror("ErrorMsgUnableToConnect", 0);
      LogMsg(LevelError, "%s: ioctl() failed.\n", "QWC0035");
      return -2;
    }
    if (!announced) {
      announced = true;
      if (DebugFlag()) LogMsg(LevelDebug, "Attempting Connection with %s...\n", host ? host : "");
      if (!quiet && (session.x_comm_msg(658) == -1 || !*guard)) {
        close(fd);
        freeaddrinfo(addresses);
        return -2;
      }
    }

    if (connect(fd, ai->ai_addr, ai->ai_addrlen) == 0) {
      if (DebugFlag()) LogMsg(LevelDebug, "connect() successful!\n");
      connected = fd;
      break;
    }
    if (errno != EINPROGRESS && errno != EINTR) {
      LogMsg(LevelError, "%s: connect() failed with errno = %d.\n", "QWC0038", errno);
      close(fd);
      continue;
    }
    // In progress: the socket becomes writable when the attempt ends; its
    // SO_ERROR tells whether it succeeded (a refused attempt also makes
    // the socket readable, so readability proves nothing).
    const uint64_t start = events.NowMilliseconds();
    for (;;) {
      struct pollfd p = {fd, POLLOUT, 0};
      int ready = poll(&p, 1, 0);
      if (ready < 0 && errno != EINTR) {
        LogMsg(LevelError, "%s: select() failed. errno = %d.\n", "QWC0036", errno);
        break;
      }
      if (ready > 0) {
        int err = 0;
        socklen_t len = sizeof err;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) < 0) err = errno;
        if (err == 0) {
          connected = fd;
        } else {
          LogMsg(LevelError, "%s: connect() failed with errno = %d.\n", "QWC0038", err);
        }
        break;
      }
      if (events.NowMilliseconds() - start >= timeoutMs) {
        LogMsg(LevelError, "%s: connect timed-out (%d sec). Perhaps try larger %s resource value.\n", "QWC0037",
               session.connectTimeoutSeconds(), "CONNECT_TIMEOUT");
        break;
      }
      events.ProcessPending(10);
      if (!*guard) {
        close(fd);
        freeaddrinfo(addresses);
        if (DebugFlag()) LogMsg(LevelDebug, "==> session killed during connection. Exiting gracefully....\n");
        return -3;
      }
    }
    if (connected < 0) close(fd);
  }
  freeaddrinfo(addresses);

  if (connected < 0) {
    tel_connecterror("ErrorMsgUnableToConnect", 1);
    return -2;
  }
  if (DebugFlag()) LogMsg(LevelDebug, "Connected. \n");
  sock = connected;
  plainStream.setSocket(sock);
  if (setBlocking(true) < 0) {
    tel_connecterror("ErrorMsgUnableToConnect", 0);
    LogMsg(LevelError, "%s: ioctl() failed.\n", "QWC0039");
    return -2;
  }
  if (!quiet && (session.x_comm_msg(0) == -1 || !*guard)) return -2;
  readPos = remaining = outPos = 0;
  parser.reset();
  return 0;
}

int TelnetLAN::adoptConnectedSocket(int fd, bool transparent) {
  cancelFailureReport();
  tel_close();
  inbuff = static_cast<unsigned char*>(LocalMalloc("tel_init inbuff", kBufferSize, MallocFailReturnNull));
  outbuff = static_cast<unsigned char*>(LocalMalloc("tel_init outbuff", kBufferSize, MallocFailReturnNull));
  if (!inbuff || !outbuff || fd <= 0) {
    tel_close();
    return -1;
  }
  sock = fd;
  plainStream.setSocket(fd);
  if (transparent) {
    initOptions(0);
    for (int& state : options)
      if (state < 0) state = 9;
    if (setBlocking(false) < 0) return -1;
    negotiated = 1;
  }
  return 0;
}
