#include "api/EventSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "api/ECLServerSocket.h"
#include "api/EclWire.h"
#include "base/LogMsg.h"
#include "platform/PeerUid.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"

namespace {
constexpr int kConnectWaitMs = 250;
}  // namespace

EventSocket::EventSocket(EventSources& sources) : sources_(sources) { setupSocket(); }

EventSocket::~EventSocket() { disconnect(); }

int EventSocket::setupSocket() {
  if (fd_ >= 0) return 1;
  // The address is looked up once: a reconnection does not wait for a
  // name service again.
  if (!resolved_) {
    std::string host;
    if (const char* given = std::getenv("QW_ECL_EVENT_HOST"); given && *given) {
      host = given;
    } else {
      char name[256] = {};
      if (gethostname(name, sizeof name - 1) != 0) {
        LogMsg(LevelError, "%s: Event could not get hostname.\n", "QWC0708");
        return 0;
      }
      host = name;
    }
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) {
      LogMsg(LevelError, "%s: Event socket could not get host system.\n", "QWC0709");
      return 0;
    }
    peer_ = *reinterpret_cast<sockaddr_in*>(found->ai_addr);
    freeaddrinfo(found);
    peer_.sin_port = htons(static_cast<uint16_t>(EclPortFromEnvironment("QW_ECL_EVENT_PORT", kDefaultPort)));
    resolved_ = true;
  }
  sockaddr_in peer = peer_;
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    if (DebugFlag()) LogMsg(LevelDebug, "Event socket not created.\n");
    return 0;
  }
  // The listener is on this machine: a connect that is not answered at once
  // is given a short while, never the event loop.
  int rc = connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
  if (rc != 0 && errno == EINPROGRESS) {
    pollfd p = {fd, POLLOUT, 0};
    int error = ETIMEDOUT;
    socklen_t length = sizeof error;
    if (poll(&p, 1, kConnectWaitMs) == 1) getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
    errno = error;
    rc = error == 0 ? 0 : -1;
  }
  if (rc != 0) {
    if (DebugFlag()) LogMsg(LevelDebug, "Event socket could not connect to java ECL, rc = %d\n", errno);
    close(fd);
    return 0;
  }
  // Events go only to a listener of this user (the kernel names its owner).
  uid_t owner = 0;
  if (!TcpPeerUid(fd, &owner) || owner != geteuid()) {
    if (!refusedLogged_)
      LogMsg(LevelError, "%s: Event port %u is not this user's listener; no events are sent there.\n", "QWC0709",
             static_cast<unsigned>(ntohs(peer.sin_port)));
    refusedLogged_ = true;
    close(fd);
    return 0;
  }
  refusedLogged_ = false;
  fd_ = fd;
  return 1;
}

void EventSocket::disconnect() {
  if (outputId_) sources_.RemoveInput(outputId_);
  outputId_ = 0;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  out_.clear();
  outStart_ = 0;
}

void EventSocket::dropIfClosed() {
  if (fd_ < 0) return;
  // The client never writes on this connection: the end of its input is the
  // client's end of the connection, and an event sent now would be lost.
  unsigned char byte;
  const ssize_t peek = recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  if (peek == 0 || (peek < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
    disconnect();
    clearAllFlags();
  }
}

void EventSocket::clearAllFlags() { std::memset(flags_, 0, sizeof flags_); }

void EventSocket::setFlag(Flag flag, int handle, bool on) {
  if (handle >= 0 && handle < kSlots) flags_[flag][handle] = on ? 1 : 0;
}

bool EventSocket::flag(Flag flag, int handle) const {
  return handle >= 0 && handle < kSlots && flags_[flag][handle] != 0;
}

void EventSocket::clearSession(int handle) {
  if (handle < 0 || handle >= kSlots) return;
  for (auto& f : flags_) f[handle] = 0;
  widths_[handle] = heights_[handle] = 0;
}

void EventSocket::recordWindowSize(int handle, int width, int height) {
  if (handle < 0 || handle >= kSlots) return;
  widths_[handle] = static_cast<uint16_t>(width);
  heights_[handle] = static_cast<uint16_t>(height);
}

bool EventSocket::windowSize(int handle, int* width, int* height) const {
  if (handle < 0 || handle >= kSlots) return false;
  *width = widths_[handle];
  *height = heights_[handle];
  return true;
}

std::vector<unsigned char> EventSocket::Record(const std::string& host, int sessionNumber, int type,
                                               const unsigned char* data, size_t length) {
  const size_t h = std::min(host.size(), kMaxHostName);
  std::vector<unsigned char> record;
  record.reserve(16 + h + length);
  ecl::Put32(record, static_cast<uint32_t>(h));
  ecl::PutBytes(record, host.data(), h);
  ecl::Put32(record, static_cast<uint32_t>(sessionNumber));
  ecl::Put32(record, static_cast<uint32_t>(type));
  ecl::Put32(record, static_cast<uint32_t>(length));
  if (length) ecl::PutBytes(record, data, length);
  return record;
}

void EventSocket::flush() {
  while (fd_ >= 0 && outStart_ < out_.size()) {
    const ssize_t n = ::send(fd_, out_.data() + outStart_, out_.size() - outStart_, MSG_NOSIGNAL);
    if (n > 0) {
      outStart_ += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!outputId_) outputId_ = sources_.AddOutput(fd_, [this] { flush(); });
      return;
    }
    if (DebugFlag()) LogMsg(LevelError, "%s: Could not send data on event socket.\n", "QWC0705");
    disconnect();
    clearAllFlags();
    return;
  }
  if (fd_ < 0) return;
  out_.clear();
  outStart_ = 0;
  if (outputId_) {
    sources_.RemoveInput(outputId_);
    outputId_ = 0;
  }
}

int EventSocket::sendData(SessionControlBlock* session, int type, const unsigned char* data, size_t length) {
  dropIfClosed();
  if (fd_ < 0 && !setupSocket()) return 0;
  const int slot = session ? session->slot : -1;
  const SessionTableEntry* entry = SessionEntry(slot);
  const std::string host = session ? session->xstuff.getHostname() : "";
  const std::vector<unsigned char> record =
      Record(host, entry && entry->session == session ? entry->instance : 0, type, data, length);
  if (out_.size() - outStart_ + record.size() > kMaxQueued) {
    LogMsg(LevelError, "%s: Could not send data on event socket.\n", "QWC0705");
    disconnect();
    clearAllFlags();
    return 0;
  }
  out_.insert(out_.end(), record.begin(), record.end());
  if (!outputId_) flush();
  return fd_ >= 0 ? 1 : 0;
}
