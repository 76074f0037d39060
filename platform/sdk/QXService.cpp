#include "platform/sdk/QXService.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

struct QXService {
  int fd = -1;
  std::string path;  // a listener's socket name, removed at close
};

bool QXServiceNameValid(const char* name) {
  if (!name || !*name || name[0] == '.') return false;
  size_t n = 0;
  for (const char* p = name; *p; ++p, ++n) {
    const char c = *p;
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '*' || c == '.' || c == '_' || c == '-';
    if (!ok || n >= QXServiceMaxName) return false;
  }
  return true;
}

namespace {

std::string BaseDirectory() {
  const char* dir = getenv("QX_SERVICE_DIR");
  if (dir && *dir) return dir;
  const char* run = getenv("XDG_RUNTIME_DIR");
  if (run && *run) return std::string(run) + "/qx-services";
  return "/tmp/qx-services-" + std::to_string(getuid());
}

int PrivateDirectory(std::string* out) {
  std::string dir = BaseDirectory();
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0) return errno;
  // Somebody else's directory, or one that others may enter, could hold
  // sockets that impersonate a service: refuse it.
  if (!S_ISDIR(st.st_mode) || st.st_uid != getuid() || (st.st_mode & 077) != 0) return EPERM;
  *out = dir;
  return 0;
}

int SocketPath(const char* name, sockaddr_un* addr, std::string* path) {
  if (!QXServiceNameValid(name)) return EINVAL;
  std::string dir;
  if (int e = PrivateDirectory(&dir)) return e;
  *path = dir + "/" + name;
  if (path->size() >= sizeof addr->sun_path) return ENAMETOOLONG;
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  std::memcpy(addr->sun_path, path->c_str(), path->size() + 1);
  return 0;
}

int NewSocket() { return socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0); }

}  // namespace

int QXServiceDirectory(char* buffer, size_t size) {
  std::string dir;
  if (int e = PrivateDirectory(&dir)) return e;
  if (!buffer || dir.size() >= size) return ENAMETOOLONG;
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return 0;
}

int QXServiceListen(const char* name, QXService** listener) {
  if (!listener) return EINVAL;
  *listener = nullptr;
  sockaddr_un addr;
  std::string path;
  if (int e = SocketPath(name, &addr, &path)) return e;
  int fd = NewSocket();
  if (fd < 0) return errno;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    int e = errno;
    if (e == EADDRINUSE) {
      // A live listener answers; a stale name of a dead one is replaced.
      int probe = NewSocket();
      const bool live =
          probe >= 0 && connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
      if (probe >= 0) close(probe);
      struct stat st;
      if (!live && lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && unlink(path.c_str()) == 0 &&
          bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        e = 0;
      }
    }
    if (e) {
      close(fd);
      return e;
    }
  }
  if (listen(fd, 16) != 0 || fcntl(fd, F_SETFL, O_NONBLOCK) != 0) {
    int e = errno;
    close(fd);
    unlink(path.c_str());
    return e;
  }
  *listener = new QXService{fd, path};
  return 0;
}

int QXServiceAccept(QXService* listener, QXService** connection) {
  if (!listener || !connection) return EINVAL;
  *connection = nullptr;
  int fd = accept4(listener->fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) return errno == EWOULDBLOCK ? EAGAIN : errno;
  *connection = new QXService{fd, std::string()};
  return 0;
}

int QXServiceOpen(const char* name, QXService** connection) {
  if (!connection) return EINVAL;
  *connection = nullptr;
  sockaddr_un addr;
  std::string path;
  if (int e = SocketPath(name, &addr, &path)) return e;
  int fd = NewSocket();
  if (fd < 0) return errno;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    int e = errno;
    close(fd);
    return e;
  }
  *connection = new QXService{fd, std::string()};
  return 0;
}

int QXServiceReceive(QXService* service, void* buffer, size_t size, size_t* length) {
  if (!service || !length || (!buffer && size)) return EINVAL;
  *length = 0;
  ssize_t n;
  do {
    n = recv(service->fd, buffer, size, MSG_DONTWAIT | MSG_TRUNC);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    if (errno == EWOULDBLOCK) return EAGAIN;
    return errno == ECONNRESET ? EPIPE : errno;
  }
  if (n == 0) {
    // An empty message and the peer's end both read as 0 bytes: only a
    // socket whose peer has gone reports the hang-up.
    pollfd p = {service->fd, POLLRDHUP, 0};
    if (poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLRDHUP))) return EPIPE;
    return 0;
  }
  if (static_cast<size_t>(n) > size) return EMSGSIZE;
  *length = static_cast<size_t>(n);
  return 0;
}

int QXServiceSend(QXService* service, const void* buffer, size_t length) {
  if (!service || (!buffer && length) || length > QXServiceMaxMessage) return EINVAL;
  ssize_t n;
  do {
    n = send(service->fd, buffer, length, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return errno;
  return static_cast<size_t>(n) == length ? 0 : EIO;
}

int QXServiceSelectFD(const QXService* service) { return service ? service->fd : -1; }

int QXServiceClose(QXService* service) {
  if (!service) return EINVAL;
  close(service->fd);
  if (!service->path.empty()) unlink(service->path.c_str());
  delete service;
  return 0;
}
