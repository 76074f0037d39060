// Random host byte streams, in random chunks, through the Telnet transport:
// the negotiation (tel_setup, its waits fed one chunk at a time) and then
// transparent mode through the socket's real input procedure
// (TelnetSocketInput, called by the event loop), over a socketpair.
//
// Input: one flag byte, then chunks, each a length byte n (n + 1 bytes; 255
// means 4,096) and its bytes. Flags:
//   bit 0  negotiate first         bit 1  mode 1
//   bit 2  a chunk of data starting with 0xE0 makes the session close the
//          connection, one starting with 0xE1 ends the session (the
//          transport is destroyed inside the record glue)
//   bit 3  flood: every chunk is written 256 times
//   bit 4  the host never reads what the client sends
// Whatever comes, nothing may crash, hang or leak, and the heap may not grow
// by more than the transport's bounds (early data, unsent output) allow.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/allocator_interface.h>
#define QW_FUZZ_HEAP_BYTES() __sanitizer_get_current_allocated_bytes()
#endif
#endif
#ifndef QW_FUZZ_HEAP_BYTES
#include <malloc.h>
#define QW_FUZZ_HEAP_BYTES() static_cast<size_t>(mallinfo2().uordblks)
#endif

#include "datastream/TelnetLAN.h"
#include "datastream/TelnetSessionLink.h"
#include "base/EventSources.h"
#include "base/LogMsg.h"

namespace {

// Time moves by what each wait asks for; the hook feeds the next chunk.
// Input and output sources are polled without waiting; timers run when due.
class StepEvents : public EventSources {
 public:
  Id AddInput(int fd, Callback cb) override { return add(fd, POLLIN, std::move(cb)); }
  Id AddOutput(int fd, Callback cb) override { return add(fd, POLLOUT, std::move(cb)); }
  void RemoveInput(Id id) override { sources_.erase(id); }
  Id AddTimeOut(unsigned long ms, Callback cb) override {
    timers_[++next_] = Timer{now_ + ms, std::move(cb)};
    return next_;
  }
  void RemoveTimeOut(Id id) override { timers_.erase(id); }
  uint64_t NowMilliseconds() const override { return now_; }
  void ProcessPending(unsigned long ms) override {
    now_ += ms;
    if (hook) hook();
    RunOnce();
  }
  void RunOnce() {
    std::vector<pollfd> fds;
    std::vector<Id> ids;
    for (const auto& s : sources_) {
      fds.push_back(pollfd{s.second.fd, s.second.events, 0});
      ids.push_back(s.first);
    }
    if (!fds.empty() && poll(fds.data(), fds.size(), 0) > 0) {
      for (size_t i = 0; i < fds.size(); ++i) {
        if (!(fds[i].revents & (fds[i].events | POLLHUP | POLLERR | POLLNVAL))) continue;
        auto it = sources_.find(ids[i]);
        if (it == sources_.end()) continue;
        Callback cb = it->second.cb;  // the callback may remove its source, or end the session
        cb();
      }
    }
    std::vector<Id> due;
    for (const auto& t : timers_)
      if (t.second.due <= now_) due.push_back(t.first);
    for (Id id : due) {
      auto it = timers_.find(id);
      if (it == timers_.end()) continue;
      Callback cb = std::move(it->second.cb);
      timers_.erase(it);
      cb();
    }
  }
  size_t sourceCount() const { return sources_.size(); }
  std::function<void()> hook;

 private:
  struct Source {
    int fd;
    short events;
    Callback cb;
  };
  struct Timer {
    uint64_t due;
    Callback cb;
  };
  Id add(int fd, short events, Callback cb) {
    sources_[++next_] = Source{fd, events, std::move(cb)};
    return next_;
  }
  std::map<Id, Source> sources_;
  std::map<Id, Timer> timers_;
  Id next_ = 0;
  uint64_t now_ = 0;
};

class FuzzTelnet : public TelnetLAN {
 public:
  using TelnetLAN::TelnetLAN;
  using TelnetLAN::adoptConnectedSocket;
};

class Session : public TelnetSessionLink {
 public:
  explicit Session(StepEvents& e) : events_(e) {}
  EventSources& eventSources() override { return events_; }
  int s5250_accept(const unsigned char* data, int length) override {
    if (length <= 0) __builtin_trap();
    volatile unsigned char sum = 0;
    for (int i = 0; i < length; ++i) sum = static_cast<unsigned char>(sum + data[i]);
    bytes += static_cast<size_t>(length);
    const unsigned char first = data[0];  // the bytes are the transport's: gone once it closes
    if (endings && first == 0xE0 && telnet) telnet->tel_close();
    if (endings && first == 0xE1 && telnet) {
      telnet.reset();  // the session ends: its transport goes with it
      return 1;
    }
    return 0;
  }
  void s5250_accept_eor() override { ++records; }
  void connectError(const char*, int) override { ++errors; }
  int negotiateTimeoutSeconds() const override { return 1; }

  std::unique_ptr<FuzzTelnet> telnet;
  bool endings = false;
  size_t bytes = 0;
  size_t records = 0;
  int errors = 0;

 private:
  StepEvents& events_;
};

void Drain(int fd) {
  unsigned char buf[8192];
  while (recv(fd, buf, sizeof buf, MSG_DONTWAIT) > 0) {
  }
}

// Writes what the socket takes now; the count written.
size_t WriteSome(int fd, const uint8_t* p, size_t n) {
  size_t done = 0;
  while (done < n) {
    ssize_t w = send(fd, p + done, n - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (w <= 0) break;
    done += static_cast<size_t>(w);
  }
  return done;
}

struct Silence {
  Silence() { SetLogSyslogFunction([](int, const char*) {}); }
};

// What the transport may hold at most: host data and record ends kept
// before transparent mode, unsent output, its buffers; and slack for the
// allocator and the event loop's bookkeeping.
constexpr size_t kHeapBound = TelnetLAN::kEarlyDataLimit * (1 + sizeof(size_t)) * 2 +
                              TelnetLAN::kSendQueueLimit * 2 + 4 * TelnetLAN::kBufferSize + 512 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Silence silence;
  static std::FILE* devnull = freopen("/dev/null", "w", stdout);
  (void)devnull;
  if (size < 1) return 0;
  const bool negotiate = data[0] & 1;
  const int mode = (data[0] & 2) ? 1 : 0;
  const bool endings = data[0] & 4;
  const int repeat = (data[0] & 8) ? 256 : 1;
  const bool hostReads = !(data[0] & 16);

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
  {
    StepEvents events;
    Session session(events);
    session.endings = endings;
    session.telnet = std::make_unique<FuzzTelnet>(session);
    // The host's bytes still to go: the current chunk (repeated for a
    // flood), written as far as the socket takes them. Its room is taken
    // before the heap is measured: the host's own buffer is not the
    // transport's growth.
    std::vector<uint8_t> pending;
    pending.reserve(size_t(4096) * 256);
    size_t pendingAt = 0;
    const size_t heapAtStart = QW_FUZZ_HEAP_BYTES();
    auto checkHeap = [&]() {
      if (QW_FUZZ_HEAP_BYTES() > heapAtStart + kHeapBound) __builtin_trap();
    };
    if (session.telnet->adoptConnectedSocket(fds[0], !negotiate) != 0) {
      close(host);
      return 0;
    }
    size_t next = 0;
    auto feed = [&]() {
      if (pendingAt == pending.size() && next < chunks.size()) {
        pending.clear();
        for (int r = 0; r < repeat; ++r) pending.insert(pending.end(), chunks[next].begin(), chunks[next].end());
        pendingAt = 0;
        ++next;
      }
      pendingAt += WriteSome(host, pending.data() + pendingAt, pending.size() - pendingAt);
    };
    auto more = [&]() { return next < chunks.size() || pendingAt < pending.size(); };
    if (negotiate) {
      events.hook = [&]() {
        if (hostReads) Drain(host);
        feed();
        checkHeap();
      };
      events.hook();
      FuzzTelnet* t = session.telnet.get();
      const int r = t->tel_setup(mode, nullptr, mode ? "FUZZDEV" : nullptr);
      events.hook = nullptr;
      if (r != 0) next = chunks.size();
    }
    // Transparent mode: the event loop calls the socket's input procedure,
    // until the host has said everything or the client stopped reading.
    if (session.telnet && session.telnet->tel_socket()) session.telnet->addSocketInput();
    for (int round = 0; round < 100000 && session.telnet && session.telnet->hasSocketInput() && more(); ++round) {
      feed();
      events.RunOnce();
      checkHeap();
      if (hostReads) Drain(host);
    }
    if (session.telnet && session.telnet->hasSocketInput()) events.RunOnce();  // the rest in the socket
    // The failure reports and retries that are still due run before the end.
    for (int round = 0; round < 4 && session.telnet; ++round) events.ProcessPending(1000);
    checkHeap();
    session.telnet.reset();
    if (events.sourceCount() != 0) __builtin_trap();  // no source outlives its connection
  }
  close(host);
  return 0;
}
