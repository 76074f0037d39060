#include "platform/AuthCheck.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Auth.h"

namespace {

struct Answer {
  int result;
  AuthLoginInfo info;
};

bool WriteAll(int fd, const void* data, size_t length) {
  const char* p = static_cast<const char*>(data);
  while (length) {
    const ssize_t n = write(fd, p, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

int AuthStartCheck(const char* server, const char* user, const char* password, int allowRoot) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return -1;
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return -1;
  }
  if (pid == 0) {
    close(fds[0]);
    Answer a;
    std::memset(&a, 0, sizeof a);
    if (server && *server) {
      void* home = nullptr;
      void* profile = nullptr;
      a.result = AuthAnyLogin(server, user, password, &a.info, &home, 0, 0, &profile);
    } else {
      a.result = AuthSimplePassword(user, password, &a.info, allowRoot, 0);
    }
    WriteAll(fds[1], &a, sizeof a);
    _exit(0);
  }
  close(fds[1]);
  return fds[0];
}

int AuthFinishCheck(int fd, AuthLoginInfo* info) {
  Answer a;
  std::memset(&a, 0, sizeof a);
  size_t got = 0;
  char* p = reinterpret_cast<char*>(&a);
  while (got < sizeof a) {
    const ssize_t n = read(fd, p + got, sizeof a - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  if (got != sizeof a) return AuthRejected;
  a.info.user[sizeof a.info.user - 1] = 0;
  a.info.server[sizeof a.info.server - 1] = 0;
  a.info.field8[sizeof a.info.field8 - 1] = 0;
  const int result = a.result == AuthOk ? AuthOk : a.result == AuthNoFile ? AuthNoFile : AuthRejected;
  if (info && result == AuthOk) *info = a.info;
  std::memset(&a, 0, sizeof a);
  return result;
}

void AuthCancelCheck(int fd) {
  if (fd >= 0) close(fd);
}
