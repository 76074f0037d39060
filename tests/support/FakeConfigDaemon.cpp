#include "tests/support/FakeConfigDaemon.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace qwtest {
namespace {

constexpr int kPort = 6979;
constexpr size_t kRequestHeader = 32;
constexpr size_t kRequestIndex = 64;

bool ReadSome(int fd, std::string& into, int timeoutMs) {
  pollfd p = {fd, POLLIN, 0};
  if (poll(&p, 1, timeoutMs) <= 0) return false;
  char buf[2048];
  const ssize_t n = recv(fd, buf, sizeof buf, 0);
  if (n <= 0) return false;
  into.append(buf, static_cast<size_t>(n));
  return true;
}

}  // namespace

FakeConfigDaemon::~FakeConfigDaemon() { Stop(); }

std::string FakeConfigDaemon::PrivateAddress() {
  const unsigned pid = static_cast<unsigned>(getpid());
  return "127." + std::to_string(1 + ((pid >> 16) & 0x7F)) + "." + std::to_string((pid >> 8) & 0xFF) + "." +
         std::to_string(1 + (pid & 0xFF) % 254);
}

bool FakeConfigDaemon::Start() {
  listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
  if (listenFd_ < 0) return false;
  int one = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in at = {};
  at.sin_family = AF_INET;
  at.sin_port = htons(kPort);
  inet_aton(PrivateAddress().c_str(), &at.sin_addr);
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(listenFd_, 4) != 0) {
    close(listenFd_);
    listenFd_ = -1;
    return false;
  }
  thread_ = std::thread([this] { serve(); });
  return true;
}

void FakeConfigDaemon::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listenFd_ >= 0) close(listenFd_);
  listenFd_ = -1;
}

void FakeConfigDaemon::SetReply(const std::vector<unsigned char>& bytes, bool holdOpen) {
  std::lock_guard<std::mutex> lock(mutex_);
  reply_ = bytes;
  holdOpen_ = holdOpen;
}

std::vector<unsigned char> FakeConfigDaemon::Reply(const std::vector<std::string>& strings) {
  std::vector<unsigned char> area;
  for (const std::string& s : strings) {
    area.insert(area.end(), s.begin(), s.end());
    area.push_back(0);
  }
  std::vector<unsigned char> out(32, 0);
  const uint32_t n = static_cast<uint32_t>(area.size());
  out[12] = static_cast<unsigned char>(n >> 24);
  out[13] = static_cast<unsigned char>(n >> 16);
  out[14] = static_cast<unsigned char>(n >> 8);
  out[15] = static_cast<unsigned char>(n);
  out.insert(out.end(), area.begin(), area.end());
  return out;
}

std::vector<std::string> FakeConfigDaemon::Requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void FakeConfigDaemon::serve() {
  std::vector<int> held;
  while (!stop_) {
    pollfd p = {listenFd_, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    const int fd = accept(listenFd_, nullptr, nullptr);
    if (fd < 0) continue;
    // The whole request: header, the string area its bytes 12-15 give, index.
    std::string request;
    while (ReadSome(fd, request, 2000)) {
      if (request.size() < kRequestHeader) continue;
      const auto* h = reinterpret_cast<const unsigned char*>(request.data());
      const size_t area = (size_t{h[12]} << 24) | (size_t{h[13]} << 16) | (size_t{h[14]} << 8) | h[15];
      if (request.size() >= kRequestHeader + area + kRequestIndex) break;
    }
    std::vector<unsigned char> reply;
    bool holdOpen = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
      reply = reply_;
      holdOpen = holdOpen_;
    }
    if (!reply.empty()) send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
    if (holdOpen)
      held.push_back(fd);
    else
      close(fd);
  }
  for (int fd : held) close(fd);
}

}  // namespace qwtest
