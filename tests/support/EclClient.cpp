#include "tests/support/EclClient.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "tests/support/TestClock.h"

namespace qwtest {

void EclPut32(EclBytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}
uint32_t EclGet32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
EclBytes EclHandle(uint32_t handle) {
  EclBytes b;
  EclPut32(b, handle);
  return b;
}
EclBytes EclHandleText(uint32_t handle, const std::string& text) {
  EclBytes b = EclHandle(handle);
  b.push_back(0);
  b.push_back(0);
  b.insert(b.end(), text.begin(), text.end());
  b.push_back(0);
  return b;
}
EclBytes EclHandleWords(uint32_t handle, const std::vector<uint32_t>& words) {
  EclBytes b = EclHandle(handle);
  for (uint32_t w : words) EclPut32(b, w);
  return b;
}
EclBytes EclText(const std::string& text) {
  EclBytes b(text.begin(), text.end());
  b.push_back(0);
  return b;
}

EclClient::~EclClient() { Close(); }

void EclClient::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool EclClient::Connect(int port, uint32_t* handshake) {
  Close();
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd_ < 0) return false;
  const int on = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS) {
    Close();
    return false;
  }
  return ReadWord(handshake);
}

bool EclClient::SendRaw(const EclBytes& bytes) {
  size_t at = 0;
  Deadline deadline(kWaitMs);
  while (at < bytes.size()) {
    const ssize_t n = send(fd_, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
    if (n > 0) {
      at += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ENOTCONN) return false;
    if (deadline.Expired()) return false;
    if (pump_) pump_();
    pollfd p = {fd_, POLLOUT, 0};
    poll(&p, 1, pump_ ? 0 : 10);
  }
  return true;
}

bool EclClient::SendRequest(int32_t classId, int32_t functionId, const EclBytes& data) {
  EclBytes r;
  EclPut32(r, static_cast<uint32_t>(classId));
  EclPut32(r, static_cast<uint32_t>(functionId));
  EclPut32(r, static_cast<uint32_t>(data.size()));
  r.insert(r.end(), data.begin(), data.end());
  return SendRaw(r);
}

bool EclClient::WaitReadable(int timeoutMs) {
  pollfd p = {fd_, POLLIN, 0};
  if (!pump_) return poll(&p, 1, timeoutMs) > 0;
  Deadline deadline(timeoutMs);
  for (;;) {
    if (poll(&p, 1, 0) > 0) return true;
    if (deadline.Expired()) return false;
    pump_();
  }
}

bool EclClient::Read(size_t n, EclBytes* out, int timeoutMs) {
  out->clear();
  Deadline deadline(timeoutMs);
  while (out->size() < n) {
    uint8_t buffer[65536];
    const size_t want = std::min(n - out->size(), sizeof buffer);
    const ssize_t got = recv(fd_, buffer, want, 0);
    if (got > 0) {
      out->insert(out->end(), buffer, buffer + got);
      continue;
    }
    if (got == 0) return false;
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
    if (!WaitReadable(deadline.RemainingMs())) return false;
  }
  return true;
}

bool EclClient::ReadWord(uint32_t* word, int timeoutMs) {
  EclBytes b;
  if (!Read(4, &b, timeoutMs)) return false;
  *word = EclGet32(b.data());
  return true;
}

bool EclClient::WaitClosed(int timeoutMs) {
  Deadline deadline(timeoutMs);
  for (;;) {
    uint8_t b;
    const ssize_t got = recv(fd_, &b, 1, 0);
    if (got == 0) return true;
    if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return true;
    if (deadline.Expired()) return false;
    WaitReadable(deadline.RemainingMs(50));
  }
}

bool EclClient::Call(int32_t classId, int32_t functionId, const EclBytes& data, size_t replySize, int32_t* rc,
                     EclBytes* reply) {
  uint32_t word = 0;
  if (!SendRequest(classId, functionId, data) || !ReadWord(&word)) return false;
  *rc = static_cast<int32_t>(word);
  EclBytes scratch;
  EclBytes* into = reply ? reply : &scratch;
  into->clear();
  if (*rc != 1 || replySize == 0) return true;
  return Read(replySize, into);
}

bool EclClient::ReadScreen(uint32_t handle, int32_t* rc, Screen* screen) {
  uint32_t word = 0;
  if (!SendRequest(13, 3, EclHandle(handle)) || !ReadWord(&word)) return false;
  *rc = static_cast<int32_t>(word);
  if (*rc != 1) return true;
  EclBytes head;
  if (!Read(14, &head)) return false;
  screen->rows = EclGet32(head.data());
  screen->columns = EclGet32(head.data() + 4);
  const uint32_t length = EclGet32(head.data() + 8);
  if ((length & 0xFFFF) != ((uint32_t{head[12]} << 8) | head[13])) return false;
  EclBytes text;
  if (!Read(length, &text)) return false;
  screen->text.assign(text.begin(), text.end());
  screen->planes.clear();
  for (int i = 0; i < 4; ++i) {
    uint32_t size = 0;
    if (!ReadWord(&size) || size > 65536) return false;
    EclBytes plane;
    if (!Read(size, &plane)) return false;
    screen->planes.push_back(plane);
  }
  return true;
}

bool EclClient::SessionNames(std::vector<std::string>* names) {
  uint32_t rc = 0, count = 0;
  if (!SendRequest(0, 10, {}) || !ReadWord(&rc) || rc != 1 || !ReadWord(&count) || count > 99) return false;
  names->clear();
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t n = 0;
    EclBytes name;
    if (!ReadWord(&n) || n > 4096 || !Read(n, &name)) return false;
    names->emplace_back(name.begin(), name.end());
  }
  return true;
}

bool EclClient::FindSession(const std::string& name, int32_t* rc, uint32_t* handle, uint32_t* number) {
  EclBytes reply;
  if (!Call(5, 0, EclText(name), 8, rc, &reply)) return false;
  if (*rc == 1) {
    *handle = EclGet32(reply.data());
    *number = EclGet32(reply.data() + 4);
  }
  return true;
}

bool EclClient::CallText(int32_t classId, int32_t functionId, const EclBytes& data, int32_t* rc, std::string* text) {
  uint32_t word = 0, n = 0;
  if (!SendRequest(classId, functionId, data) || !ReadWord(&word)) return false;
  *rc = static_cast<int32_t>(word);
  if (*rc != 1) return true;
  EclBytes b;
  if (!ReadWord(&n) || n > 65536 || !Read(n, &b)) return false;
  text->assign(b.begin(), b.end());
  return true;
}

// ---- the event listener ------------------------------------------------------------------

EclEventListener::~EclEventListener() {
  DropConnection();
  if (listenFd_ >= 0) close(listenFd_);
}

bool EclEventListener::Start() {
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      listen(listenFd_, 4) != 0 || getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
    return false;
  port_ = ntohs(a.sin_port);
  return true;
}

bool EclEventListener::Accepted(int timeoutMs) {
  Deadline deadline(timeoutMs);
  while (fd_ < 0) {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) {
      fd_ = fd;
      ++connections_;
      buffer_.clear();
      break;
    }
    if (deadline.Expired()) return false;
    if (pump_) {
      pump_();
    } else {
      pollfd p = {listenFd_, POLLIN, 0};
      poll(&p, 1, deadline.RemainingMs(50));
    }
  }
  return true;
}

void EclEventListener::DropConnection() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  buffer_.clear();
}

bool EclEventListener::Fill(size_t n, int timeoutMs) {
  Deadline deadline(timeoutMs);
  while (buffer_.size() < n) {
    if (fd_ < 0 && !Accepted(deadline.RemainingMs())) return false;
    uint8_t b[4096];
    const ssize_t got = recv(fd_, b, sizeof b, 0);
    if (got > 0) {
      buffer_.insert(buffer_.end(), b, b + got);
      continue;
    }
    if (got == 0) {
      // The emulator closed this connection: a new one may follow.
      close(fd_);
      fd_ = -1;
      continue;
    }
    if (deadline.Expired()) return false;
    if (pump_) {
      pump_();
    } else {
      pollfd p = {fd_, POLLIN, 0};
      poll(&p, 1, deadline.RemainingMs(50));
    }
  }
  return true;
}

bool EclEventListener::Next(Event* event, int timeoutMs) {
  Deadline deadline(timeoutMs);
  if (!Fill(4, deadline.RemainingMs())) return false;
  const uint32_t h = EclGet32(buffer_.data());
  if (h > 1024 || !Fill(4 + h + 12, deadline.RemainingMs())) return false;
  const uint32_t d = EclGet32(buffer_.data() + 4 + h + 8);
  if (d > 4096 || !Fill(16 + h + d, deadline.RemainingMs())) return false;
  event->host.assign(buffer_.begin() + 4, buffer_.begin() + 4 + h);
  event->sessionNumber = EclGet32(buffer_.data() + 4 + h);
  event->type = EclGet32(buffer_.data() + 8 + h);
  event->data.assign(buffer_.begin() + 16 + h, buffer_.begin() + 16 + h + d);
  buffer_.erase(buffer_.begin(), buffer_.begin() + 16 + h + d);
  return true;
}

std::vector<EclEventListener::Event> EclEventListener::Drain(int quietMs) {
  std::vector<Event> out;
  Event e;
  while (Next(&e, quietMs)) out.push_back(e);
  return out;
}

}  // namespace qwtest
