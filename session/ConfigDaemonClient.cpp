#include "session/ConfigDaemonClient.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/QXRegistry.h"
#include "base/LogMsg.h"

namespace {

constexpr int kWaitMs = 2500;
// However the daemon trickles its reply, the exchange ends after this.
constexpr auto kReplyLimit = std::chrono::seconds(10);

std::string UnitPassword() {
  QXRegObject* object = nullptr;
  std::string password;
  if (QXRegGetObjectSimple("/config", &object) == QXRegOk && object) {
    if (const char* v = QXRegGetStringValue(object, "unit-global-password")) password = v;
    QXRegDestroyObject(object);
  }
  return password;
}

bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd p = {fd, events, 0};
  int rc;
  do {
    rc = poll(&p, 1, timeoutMs);
  } while (rc < 0 && errno == EINTR);
  return rc > 0 && (p.revents & (events | POLLHUP | POLLERR)) != 0;
}

// Receives exactly n bytes; false on end of file, an error, a wait that
// timed out or the overall deadline.
bool ReceiveAll(int fd, unsigned char* out, size_t n, std::chrono::steady_clock::time_point deadline) {
  size_t got = 0;
  while (got < n) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (!WaitFor(fd, POLLIN, kWaitMs)) return false;
    const ssize_t r = recv(fd, out + got, n - got, 0);
    if (r == 0) return false;  // the daemon closed the connection
    if (r < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      return false;
    }
    got += static_cast<size_t>(r);
  }
  return true;
}

bool SendAll(int fd, const char* data, size_t n) {
  size_t sent = 0;
  while (sent < n) {
    if (!WaitFor(fd, POLLOUT, kWaitMs)) return false;
    const ssize_t w = send(fd, data + sent, n - sent, MSG_NOSIGNAL);
    if (w < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      return false;
    }
    sent += static_cast<size_t>(w);
  }
  return true;
}

void Exchange(int fd, const char* request, int length, response_struct* reply) {
  const char* address = std::getenv("IPADDRESS");
  sockaddr_in to = {};
  to.sin_family = AF_INET;
  to.sin_port = htons(kConfigDaemonPort);
  if (!address || inet_aton(address, &to.sin_addr) == 0) {
    std::printf("inet_aton() failure with IP = \"%s\"\n", address ? address : "");
    return;
  }
  if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS) return;
  int error = 0;
  socklen_t len = sizeof error;
  if (!WaitFor(fd, POLLOUT, kWaitMs) || getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0)
    return;
  if (!SendAll(fd, request, static_cast<size_t>(length))) return;

  const auto deadline = std::chrono::steady_clock::now() + kReplyLimit;
  unsigned char header[kConfigHeaderBytes];
  if (!ReceiveAll(fd, header, sizeof header, deadline)) return;
  const unsigned long area = ConfigReplyAreaLength(header);
  if (area > kConfigMaxReplyArea) {
    LogMsg(LevelError, "Configuration daemon reply of %lu bytes refused.\n", area);
    return;
  }
  std::vector<unsigned char> strings(area);
  if (!ReceiveAll(fd, strings.data(), area, deadline)) return;
  if (!ParseConfigReply(strings.data(), area, *reply))
    LogMsg(LevelError, "Configuration daemon reply with an unterminated string refused.\n");
}

int Request(const char* messageType, const char* key, response_struct& reply) {
  char buffer[kConfigRequestBufferBytes];
  const int length = commandString(buffer, sizeof buffer, messageType, key, "00000000", nullptr);
  if (length == 0) return -1;
  qwlCommunicate(nullptr, buffer, length, &reply);
  return reply.returnCode;
}

}  // namespace

int commandString(char* buffer, int size, const char* messageType, const char* key, const char* value,
                  const char* format) {
  std::string password = UnitPassword();
  if (format) {
    char formatted[kConfigRequestBufferBytes];
    std::snprintf(formatted, sizeof formatted, "%s%s%s%s", password.c_str(), messageType ? messageType : "",
                  key ? key : "", value ? value : "");
    password = formatted;
  }
  return BuildConfigRequest(buffer, size, messageType, key, value, password.c_str());
}

void qwlCommunicate(const char*, const char* request, int length, response_struct* reply) {
  *reply = response_struct();
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  linger lingerOption = {1, 1};
  setsockopt(fd, SOL_SOCKET, SO_LINGER, &lingerOption, sizeof lingerOption);
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  Exchange(fd, request, length, reply);
  std::fflush(stdout);
  shutdown(fd, SHUT_RDWR);
  close(fd);
}

int kdvmountAPI() {
  response_struct reply;
  return Request("0000000E", "KDVMOUNT", reply);
}

int qwgetcredAPI(char* buffer, int size) {
  response_struct reply;
  if (Request("00000010", "GETCRED", reply) != 0 || !(reply.present & ConfigHasPassword) || !buffer || size < 1)
    return -1;
  std::strncpy(buffer, reply.strings[ConfigPassword], static_cast<size_t>(size) - 1);
  buffer[size - 1] = '\0';
  qwgetcredDecode(buffer, static_cast<int>(std::strlen(buffer)));
  return 0;
}
