#include "api/ECLServerSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "api/ECLSessionSocket.h"
#include "api/EclWire.h"
#include "base/CurrentTime.h"
#include "base/LogMsg.h"
#include "platform/PeerUid.h"

namespace {

bool SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

int EclPortFromEnvironment(const char* variable, int fallback) {
  const char* text = std::getenv(variable);
  if (!text || !*text) return fallback;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || value < 0 || value > 65535) return fallback;
  return static_cast<int>(value);
}

ECLServerSocket::ECLServerSocket(EventSources& sources) : sources_(sources) {}

ECLServerSocket::~ECLServerSocket() {
  clients_.clear();
  if (inputId_) sources_.RemoveInput(inputId_);
  if (fd_ >= 0) close(fd_);
}

int ECLServerSocket::createSocket() {
  if (fd_ >= 0) return 1;
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    LogMsg(LevelError, "%s:  Could not create ECL server socket - %d\n", "QWC0700", -1);
    return 0;
  }
  const int on = 1;
  if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
    if (DebugFlag()) LogMsg(LevelDebug, "socket option SO_REUSEADDR on server socket %d \n", 1);
    close(fd);
    return 0;
  }
  if (!SetNonBlocking(fd)) {
    if (DebugFlag()) LogMsg(LevelDebug, "Could not set ECL server socket to non-blocking I/O. \n");
    close(fd);
    return 0;
  }
  // Only programs of this machine may drive the sessions.
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(EclPortFromEnvironment("QW_ECL_PORT", kDefaultPort)));
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    LogMsg(LevelError, "%s:  Could not bind ECL server socket.\n", "QWC0703");
    close(fd);
    return 0;
  }
  if (listen(fd, 10) != 0) {
    LogMsg(LevelError, "%s: ECL server socket listen error. \n", "QWC0704");
    close(fd);
    return 0;
  }
  socklen_t length = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) port_ = ntohs(address.sin_port);
  fd_ = fd;
  inputId_ = sources_.AddInput(fd_, [this] {
    if (addClientSocket() <= 0 && DebugFlag()) LogMsg(LevelDebug, " Could not create client socket.\n");
  });
  return 1;
}

size_t ECLServerSocket::openClients() const {
  return static_cast<size_t>(
      std::count_if(clients_.begin(), clients_.end(), [](const auto& c) { return !c->closed(); }));
}

void ECLServerSocket::reapClosedClients() {
  clients_.erase(std::remove_if(clients_.begin(), clients_.end(),
                                [this](const std::unique_ptr<ECLSessionSocket>& c) {
                                  return c->closed() && !c->busy() && c.get() != current_;
                                }),
                 clients_.end());
}

void ECLServerSocket::closeIdlestClient() {
  ECLSessionSocket* idlest = nullptr;
  for (const auto& c : clients_) {
    if (c->closed() || c->busy() || c->pendingBytes() > 0 || c->queuedBytes() > 0) continue;
    if (!idlest || c->activityOrder() < idlest->activityOrder()) idlest = c.get();
  }
  if (!idlest) return;
  LogMsg(LevelWarning, "%s:  ECL server has %zu clients; the one idle longest (%lu s) is closed for a new one.\n",
         "QWC0710", openClients(), (GetCurrentTime() - idlest->lastActivity()) / 10);
  idlest->close();
}

int ECLServerSocket::addClientSocket() {
  if (fd_ < 0) return 0;
  sockaddr_in peer = {};
  socklen_t length = sizeof peer;
  const int fd = accept4(fd_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) {
    // Another wake-up took the connection, or it went away before accept.
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNABORTED || errno == EINTR) return 1;
    LogMsg(LevelError, "%s:  ECL server socket could not accept conenction - %d\n", "QWC0710", -1);
    return 0;
  }
  reapClosedClients();
  // Only this user's own programs: the kernel names the peer's owner.
  uid_t owner = 0;
  if (!TcpPeerUid(fd, &owner) || owner != geteuid()) {
    const bool known = TcpPeerUid(fd, &owner);
    const long who = known ? static_cast<long>(owner) : -1L;
    if (refusedUsers_.insert(who).second)
      LogMsg(LevelError, "%s:  ECL connection of %s refused: the interface serves its own user only.\n", "QWC0710",
             known ? ("user " + std::to_string(owner)).c_str() : "an unknown user");
    close(fd);
    return 1;
  }
  const int on = 1;
  if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
    LogMsg(LevelError, "%s:  Could not set SO_REUSEADDR option on client socket\n", "QWC0701");
  // A full table makes room by closing the client idle longest: idle
  // connections never lock the others out.
  if (openClients() >= kMaxClients) closeIdlestClient();
  uint32_t accepted = 1;
  if (openClients() >= kMaxClients) {
    LogMsg(LevelError, "%s:  ECL server has %zu clients; connection refused.\n", "QWC0710", openClients());
    accepted = 0;
  }
  if (!accepted) {
    const unsigned char word[4] = {0, 0, 0, 0};
    (void)::send(fd, word, sizeof word, MSG_NOSIGNAL);
    close(fd);
    return 1;
  }
  clients_.push_back(std::make_unique<ECLSessionSocket>(sources_, fd, peer));
  current_ = clients_.back().get();
  if (current_->sendReturnCode(1) != 1) {
    LogMsg(LevelError, "%s:  ECL client socket send error.\n", "QWC0705");
    return 0;
  }
  return 1;
}
