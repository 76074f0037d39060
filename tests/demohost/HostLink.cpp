#include "tests/demohost/HostLink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "tests/support/NewEnviron.h"
#include "tests/support/RegisteredTerminalTypes.h"

namespace demohost {

namespace {

constexpr uint8_t IAC = 0xFF, DONT = 0xFE, DO = 0xFD, WONT = 0xFC, WILL = 0xFB, SB = 0xFA, SE = 0xF0,
                  EOR = 0xEF;
constexpr uint8_t kBinary = 0, kTimingMark = 6, kTermType = 24, kEor = 25, kNewEnviron = 39;

using Clock = std::chrono::steady_clock;

// Milliseconds left until `end` (-1: no end), for poll.
int Left(bool forever, Clock::time_point end) {
  if (forever) return -1;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
  return ms < 0 ? 0 : static_cast<int>(ms > 60000 ? 60000 : ms);
}

}  // namespace

int ListenLoopback(int port, int* boundPort) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t len = sizeof a;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0 || listen(fd, 8) < 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) < 0) {
    close(fd);
    return -1;
  }
  if (boundPort) *boundPort = ntohs(a.sin_port);
  return fd;
}

HostLink::HostLink(int fd) : fd_(fd) {
  const int one = 1;
  if (fd_ >= 0) setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

HostLink::~HostLink() { Close(); }

void HostLink::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

std::string HostLink::Environment(const std::string& name) const {
  for (const auto& e : env_)
    if (e.first == name) return e.second;
  return std::string();
}

bool HostLink::Negotiate(int timeoutMs) {
  const bool forever = timeoutMs < 0;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(forever ? 0 : timeoutMs);
  Advance();
  while (!negotiated_) {
    if (!FlushOut(Left(forever, end)) || refused_) return false;
    if (!forever && Clock::now() >= end) return false;
    if (!ReadSome(Left(forever, end))) return false;
    Advance();
  }
  return FlushOut(Left(forever, end));
}

bool HostLink::SendRecord(const uint8_t* data, size_t n, int timeoutMs) {
  out_.reserve(out_.size() + n + n / 16 + 2);
  for (size_t i = 0; i < n; ++i) {
    out_.push_back(data[i]);
    if (data[i] == IAC) out_.push_back(IAC);
  }
  out_.push_back(IAC);
  out_.push_back(EOR);
  return FlushOut(timeoutMs);
}

bool HostLink::SendRaw(const uint8_t* data, size_t n, int timeoutMs) {
  if (!FlushOut(timeoutMs)) return false;
  const bool forever = timeoutMs < 0;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(forever ? 0 : timeoutMs);
  size_t done = 0;
  while (done < n && fd_ >= 0) {
    const ssize_t w = send(fd_, data + done, n - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (w > 0) {
      done += static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd_, POLLOUT, 0};
      if (poll(&p, 1, Left(forever, end)) <= 0 && !forever && Clock::now() >= end) return false;
      continue;
    }
    Close();
    return false;
  }
  return done == n;
}

bool HostLink::FlushOut(int timeoutMs) {
  if (out_.empty()) return fd_ >= 0;
  std::vector<uint8_t> pending;
  pending.swap(out_);
  return SendRaw(pending.data(), pending.size(), timeoutMs);
}

bool HostLink::ReadRecord(std::vector<uint8_t>* record, int timeoutMs) {
  const bool forever = timeoutMs < 0;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(forever ? 0 : timeoutMs);
  while (records_.empty()) {
    if (!FlushOut(Left(forever, end))) return false;
    if (!ReadSome(Left(forever, end))) return false;
    if (!forever && records_.empty() && Clock::now() >= end) return false;
  }
  if (record) *record = std::move(records_.front());
  records_.pop_front();
  return true;
}

bool HostLink::ReadSome(int timeoutMs) {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  const int r = poll(&p, 1, timeoutMs);
  if (r < 0) return errno == EINTR;
  if (r == 0) return true;  // nothing yet; the caller looks at its clock
  uint8_t buf[8192];
  const ssize_t n = recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
  if (n > 0) {
    for (ssize_t i = 0; i < n; ++i) Consume(buf[i]);
    // The client's requests are answered at once.
    return FlushOut(1000) || fd_ >= 0;
  }
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return true;
  Close();
  return false;
}

void HostLink::Consume(uint8_t b) {
  switch (st_) {
    case St::Data:
      if (b == IAC) {
        st_ = St::Iac;
      } else if (record_.size() < kMaxRecord) {
        record_.push_back(b);
      } else {
        recordOverflow_ = true;
      }
      break;
    case St::Iac:
      st_ = St::Data;
      if (b == IAC) {
        if (record_.size() < kMaxRecord)
          record_.push_back(IAC);
        else
          recordOverflow_ = true;
      } else if (b >= WILL && b <= DONT) {
        verb_ = b;
        st_ = St::Opt;
      } else if (b == SB) {
        sub_.clear();
        subOverflow_ = false;
        st_ = St::Sub;
      } else if (b == EOR) {
        if (recordOverflow_ || records_.size() >= kMaxQueuedRecords)
          ++dropped_;
        else
          records_.push_back(record_);
        record_.clear();
        recordOverflow_ = false;
      }
      break;
    case St::Opt:
      st_ = St::Data;
      OnCommand(verb_, b);
      break;
    case St::Sub:
      if (b == IAC) {
        st_ = St::SubIac;
      } else if (sub_.size() < kMaxSubnegotiation) {
        sub_.push_back(b);
      } else {
        subOverflow_ = true;
      }
      break;
    case St::SubIac:
      if (b == IAC) {
        if (sub_.size() < kMaxSubnegotiation) sub_.push_back(IAC);
        st_ = St::Sub;
      } else {
        st_ = St::Data;
        if (b == SE && !subOverflow_) OnSub();
      }
      break;
  }
}

void HostLink::Send(uint8_t verb, uint8_t option) {
  if (verb == DO) sentDo_[option] = true;
  if (verb == WILL) sentWill_[option] = true;
  if (verb == DONT) sentDont_[option] = true;
  if (verb == WONT) sentWont_[option] = true;
  out_.insert(out_.end(), {IAC, verb, option});
}

void HostLink::OnCommand(uint8_t verb, uint8_t option) {
  const bool wantWill =
      option == kTermType || (!refused_ && (option == kEor || option == kBinary || option == kNewEnviron));
  const bool wantDo = !refused_ && (option == kEor || option == kBinary);
  if (option == kTimingMark && (verb == WILL || verb == WONT)) return;
  switch (verb) {
    case WILL:
      if (wantWill) {
        clientWill_[option] = true;
        if (!sentDo_[option]) Send(DO, option);
      } else if (!sentDont_[option]) {
        Send(DONT, option);
      }
      break;
    case WONT:
      clientWill_[option] = false;
      if (option == kNewEnviron) envRefused_ = true;
      break;
    case DO:
      if (wantDo) {
        clientDo_[option] = true;
        if (!sentWill_[option]) Send(WILL, option);
      } else if (!sentWont_[option]) {
        Send(WONT, option);
      }
      break;
    case DONT:
      clientDo_[option] = false;
      break;
  }
  Advance();
}

void HostLink::OnSub() {
  if (sub_.size() < 2 || sub_[1] != 0) return;  // only IS
  if (sub_[0] == kTermType) {
    termType_.assign(sub_.begin() + 2, sub_.end());
    gotTermType_ = true;
  } else if (sub_[0] == kNewEnviron) {
    new_environ::ForEachVariable(sub_, [this](const std::string& name, const std::string& value) {
      if (env_.size() < 64) env_.emplace_back(name, value);
    });
    envDone_ = true;
  }
  Advance();
}

// The host's side of the negotiation, one step after another as the
// client's answers come.
void HostLink::Advance() {
  for (int before = -1; before != phase_;) {
    before = phase_;
    switch (phase_) {
      case 0:
        if (!sentDo_[kTermType]) Send(DO, kTermType);
        phase_ = 1;
        break;
      case 1:
        if (clientWill_[kTermType]) {
          out_.insert(out_.end(), {IAC, SB, kTermType, 1, IAC, SE});
          phase_ = 2;
        }
        break;
      case 2:
        if (gotTermType_ && !tn5250_host::IsRegisteredDisplayType(termType_)) {
          // No 5250 session for an unknown terminal: refuse the options of one.
          for (uint8_t opt : {kEor, kBinary}) {
            Send(WONT, opt);
            Send(DONT, opt);
          }
          refused_ = true;
          phase_ = 8;
        } else if (gotTermType_) {
          if (!sentDo_[kNewEnviron]) Send(DO, kNewEnviron);
          phase_ = 3;
        }
        break;
      case 3:
        if (clientWill_[kNewEnviron]) {
          // SEND with an empty VAR and USERVAR list: every variable.
          out_.insert(out_.end(), {IAC, SB, kNewEnviron, 1, 0, 3, IAC, SE});
          phase_ = 4;
        } else if (envRefused_) {
          phase_ = 5;
        }
        break;
      case 4:
        if (envDone_) phase_ = 5;
        break;
      case 5:
        for (uint8_t opt : {kEor, kBinary}) {
          if (!sentDo_[opt]) Send(DO, opt);
          if (!sentWill_[opt]) Send(WILL, opt);
        }
        phase_ = 6;
        break;
      case 6:
        if (clientWill_[kEor] && clientDo_[kEor] && clientWill_[kBinary] && clientDo_[kBinary]) {
          negotiated_ = true;
          phase_ = 7;
        }
        break;
      default:
        break;
    }
  }
}

}  // namespace demohost
