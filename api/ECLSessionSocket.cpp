#include "api/ECLSessionSocket.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "api/EclFunctions.h"
#include "base/CurrentTime.h"
#include "base/LogMsg.h"

namespace {
constexpr size_t kReceiveSize = 16384;
// Requests served per readable event before the loop gets its turn again.
constexpr int kRequestsPerEvent = 64;

// The return codes that say the request itself was wrong.
bool InvalidRequestCode(int32_t rc) {
  switch (rc) {
    case ecl::kBadFunction:
    case ecl::kBadClass:
    case ecl::kNoSession:
    case ecl::kSendKeysError:
    case ecl::kNoCodePage:
    case ecl::kSetStringError:
      return true;
    default:
      return false;
  }
}
}  // namespace

ECLSessionSocket::ECLSessionSocket(EventSources& sources, int fd, const sockaddr_in& peer)
    : sources_(sources), fd_(fd), peer_(peer) {
  noteActivity();
  watchInput(true);
}

void ECLSessionSocket::noteActivity() {
  static unsigned long long order = 0;
  lastActivity_ = GetCurrentTime();
  activityOrder_ = ++order;
}

ECLSessionSocket::~ECLSessionSocket() {
  if (laterId_) sources_.RemoveTimeOut(laterId_);
  closeConnection();
}

void ECLSessionSocket::watchInput(bool on) {
  if (fd_ < 0) return;
  if (on && !inputId_) {
    inputId_ = sources_.AddInput(fd_, [this] {
      if (serveRequest() != 1) LogMsg(LevelError, "%s:  could not process ECL function.\n", "QWC0711");
    });
  } else if (!on && inputId_) {
    sources_.RemoveInput(inputId_);
    inputId_ = 0;
  }
}

void ECLSessionSocket::closeConnection() {
  if (fd_ < 0) return;
  if (invalid_ > 1)
    LogMsg(LevelError, "%s: ECL client at port %u sent %lu invalid requests; only the first was logged.\n", "QWC0713",
           static_cast<unsigned>(ntohs(peer_.sin_port)), invalid_);
  if (inputId_) sources_.RemoveInput(inputId_);
  if (outputId_) sources_.RemoveInput(outputId_);
  inputId_ = outputId_ = 0;
  shutdown(fd_, SHUT_RDWR);
  ::close(fd_);
  fd_ = -1;
  out_.clear();
  outStart_ = 0;
}

void ECLSessionSocket::watchOutput(bool on) {
  if (fd_ < 0) return;
  if (on && !outputId_) {
    outputId_ = sources_.AddOutput(fd_, [this] { flush(); });
  } else if (!on && outputId_) {
    sources_.RemoveInput(outputId_);
    outputId_ = 0;
  }
}

void ECLSessionSocket::flush() {
  while (fd_ >= 0 && outStart_ < out_.size()) {
    const ssize_t n = ::send(fd_, out_.data() + outStart_, out_.size() - outStart_, MSG_NOSIGNAL);
    if (n > 0) {
      outStart_ += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      watchOutput(true);
      return;
    }
    LogMsg(LevelError, "%s: ECL client socket send error.\n", "QWC0705");
    closeConnection();
    return;
  }
  if (fd_ < 0) return;
  out_.clear();
  outStart_ = 0;
  watchOutput(false);
}

bool ECLSessionSocket::send(const unsigned char* data, size_t n) {
  if (fd_ < 0) return false;
  if (queuedBytes() + n > kMaxQueuedReplies) {
    LogMsg(LevelError, "%s: ECL client does not take its replies; connection closed.\n", "QWC0705");
    closeConnection();
    return false;
  }
  if (outStart_ > 0 && outStart_ == out_.size()) {
    out_.clear();
    outStart_ = 0;
  }
  out_.insert(out_.end(), data, data + n);
  if (!outputId_) flush();
  return fd_ >= 0;
}

int ECLSessionSocket::sendReturnCode(int code) {
  std::vector<unsigned char> word;
  ecl::Put32(word, static_cast<uint32_t>(code));
  return send(word.data(), word.size()) ? 1 : 0;
}

int ECLSessionSocket::serveRequest() {
  if (fd_ < 0) return 1;
  // Requests wait (or one is being served): nothing more is read until
  // they are done.
  if (busy_ || decoder_.holdsRequest()) {
    watchInput(false);
    serveLater();
    return 1;
  }
  unsigned char buffer[kReceiveSize];
  const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
  if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 1;
  if (got < 0) LogMsg(LevelError, "%s:  ECL client socket receive error.\n", "QWC0706");
  if (got <= 0) {
    closeConnection();
    return 1;
  }
  noteActivity();
  decoder_.feed(buffer, static_cast<size_t>(got));
  return serveBuffered();
}

void ECLSessionSocket::serveLater() {
  if (laterId_ || fd_ < 0) return;
  std::weak_ptr<bool> alive = alive_;
  laterId_ = sources_.AddTimeOut(0, [this, alive] {
    if (alive.expired()) return;
    laterId_ = 0;
    if (!busy_) serveBuffered();
  });
}

int ECLSessionSocket::serveBuffered() {
  busy_ = true;
  const int result = serveSome();
  busy_ = false;
  // More requests wait: serve them on a later turn of the loop, so that one
  // client cannot hold it, and read no more of this client meanwhile.
  if (fd_ >= 0 && decoder_.holdsRequest()) {
    watchInput(false);
    serveLater();
  } else {
    watchInput(true);
  }
  return result;
}

int ECLSessionSocket::serveSome() {
  ecl::Request request;
  for (int served = 0; served < kRequestsPerEvent && fd_ >= 0; ++served) {
    const ecl::RequestDecoder::Outcome status = decoder_.next(&request);
    if (status == ecl::RequestDecoder::Outcome::NeedMore) return 1;
    if (status == ecl::RequestDecoder::Outcome::Broken) {
      LogMsg(LevelError, "%s: ECL request longer than %u bytes; connection closed.\n", "QWC0707",
             ecl::kMaxRequestData);
      closeConnection();
      return 0;
    }
    reply_.clear();
    EclCall call;
    call.functionId = request.functionId;
    call.data = &request.data;
    call.reply = &reply_;
    call.client = this;
    int32_t rc;
    if (invalid_ > 0) {
      // Its complaints were logged once: this client cannot fill the log.
      LogMuteScope quiet;
      rc = DispatchEclRequest(request.classId, call);
    } else {
      rc = DispatchEclRequest(request.classId, call);
    }
    if (InvalidRequestCode(rc)) ++invalid_;
    // The handler may have ended the last session and with it this client.
    if (fd_ < 0) return 1;
    if (call.replied) continue;
    std::vector<unsigned char> message;
    message.reserve(4 + reply_.size());
    ecl::Put32(message, static_cast<uint32_t>(rc));
    message.insert(message.end(), reply_.begin(), reply_.end());
    if (!send(message.data(), message.size())) return 0;
  }
  return 1;
}
