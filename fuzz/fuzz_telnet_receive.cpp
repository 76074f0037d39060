// Random host byte streams, in random chunks, through the Telnet transport:
// the negotiation (tel_setup, its waits fed one chunk at a time) and the
// receive path of transparent mode, over a socketpair.
//
// Input: one flag byte (bit 0: negotiate first; bit 1: mode 1), then chunks,
// each a length byte n (n + 1 bytes; 255 means 4,096) and its bytes.

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#include "datastream/TelnetLAN.h"
#include "datastream/TelnetSessionLink.h"
#include "base/EventSources.h"
#include "base/LogMsg.h"

namespace {

// Time moves by what each wait asks for; the hook feeds the next chunk.
class StepEvents : public EventSources {
 public:
  Id AddInput(int, Callback) override { return ++next_; }
  void RemoveInput(Id) override {}
  Id AddTimeOut(unsigned long, Callback) override { return ++next_; }
  void RemoveTimeOut(Id) override {}
  uint64_t NowMilliseconds() const override { return now_; }
  void ProcessPending(unsigned long ms) override {
    now_ += ms;
    if (hook) hook();
  }
  std::function<void()> hook;

 private:
  Id next_ = 0;
  uint64_t now_ = 0;
};

class Session : public TelnetSessionLink {
 public:
  explicit Session(EventSources& e) : events_(e) {}
  EventSources& eventSources() override { return events_; }
  int s5250_accept(const unsigned char* data, int length) override {
    if (length <= 0) __builtin_trap();
    volatile unsigned char sum = 0;
    for (int i = 0; i < length; ++i) sum = static_cast<unsigned char>(sum + data[i]);
    bytes += static_cast<size_t>(length);
    return 0;
  }
  void connectError(const char*, int) override {}
  int negotiateTimeoutSeconds() const override { return 1; }
  size_t bytes = 0;

 private:
  EventSources& events_;
};

class FuzzTelnet : public TelnetLAN {
 public:
  using TelnetLAN::TelnetLAN;
  using TelnetLAN::adoptConnectedSocket;
};

void Drain(int fd) {
  unsigned char buf[8192];
  while (recv(fd, buf, sizeof buf, MSG_DONTWAIT) > 0) {
  }
}

void WriteAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    ssize_t w = send(fd, p, n, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (w <= 0) return;
    p += w;
    n -= static_cast<size_t>(w);
  }
}

struct Silence {
  Silence() { SetLogSyslogFunction([](int, const char*) {}); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Silence silence;
  static std::FILE* devnull = freopen("/dev/null", "w", stdout);
  (void)devnull;
  if (size < 1) return 0;
  const bool negotiate = data[0] & 1;
  const int mode = (data[0] & 2) ? 1 : 0;

  std::vector<std::vector<uint8_t>> chunks;
  for (size_t i = 1; i < size;) {
    size_t n = data[i] == 255 ? 4096 : size_t(data[i]) + 1;
    ++i;
    if (n > size - i) n = size - i;
    if (n == 0) break;
    chunks.emplace_back(data + i, data + i + n);
    i += n;
  }

  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 0;
  const int host = fds[1];
  StepEvents events;
  Session session(events);
  {
    FuzzTelnet telnet(session);
    if (telnet.adoptConnectedSocket(fds[0], !negotiate) != 0) {
      close(host);
      return 0;
    }
    size_t next = 0;
    if (negotiate) {
      events.hook = [&]() {
        Drain(host);
        if (next < chunks.size()) {
          WriteAll(host, chunks[next].data(), chunks[next].size());
          ++next;
        }
      };
      events.hook();
      const int r = telnet.tel_setup(mode, nullptr, mode ? "FUZZDEV" : nullptr);
      events.hook = nullptr;
      if (r != 0) next = chunks.size();
    }
    for (; next < chunks.size(); ++next) {
      WriteAll(host, chunks[next].data(), chunks[next].size());
      telnet.tel_receive();
      Drain(host);
    }
  }
  close(host);
  return 0;
}
