// The Telnet receive path: 64 KB of host records (about 5% 0xFF bytes,
// doubled on the wire, each record ended by IAC EOR) written to a socketpair
// in random chunks of 1 to 8,192 bytes, each chunk taken by tel_receive.
// Reports MB/s of record data.
#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <vector>

#include "datastream/TelnetLAN.h"
#include "datastream/TelnetSessionLink.h"
#include "base/EventSources.h"

namespace {

class NoEvents : public EventSources {
 public:
  Id AddInput(int, Callback) override { return 1; }
  void RemoveInput(Id) override {}
  Id AddTimeOut(unsigned long, Callback) override { return 1; }
  void RemoveTimeOut(Id) override {}
  uint64_t NowMilliseconds() const override { return 0; }
  void ProcessPending(unsigned long) override {}
};

class CountingSession : public TelnetSessionLink {
 public:
  EventSources& eventSources() override { return events_; }
  int s5250_accept(const unsigned char* data, int length) override {
    bytes += static_cast<size_t>(length);
    last = data[length - 1];
    return 0;
  }
  void s5250_accept_eor() override { ++records; }
  void connectError(const char*, int) override {}
  size_t bytes = 0;
  size_t records = 0;
  unsigned char last = 0;

 private:
  NoEvents events_;
};

class BenchTelnet : public TelnetLAN {
 public:
  using TelnetLAN::TelnetLAN;
  using TelnetLAN::adoptConnectedSocket;
};

constexpr size_t kPayload = 64 * 1024;

struct Workload {
  std::vector<uint8_t> wire;
  std::vector<size_t> chunks;
  size_t records = 0;
  Workload() {
    std::mt19937 rng(5250);
    size_t produced = 0;
    while (produced < kPayload) {
      const size_t len = 10 + rng() % 4000;
      for (size_t i = 0; i < len && produced < kPayload; ++i, ++produced) {
        const uint8_t b = (rng() % 100 < 5) ? 0xFF : static_cast<uint8_t>(rng() % 255);
        wire.push_back(b);
        if (b == 0xFF) wire.push_back(0xFF);
      }
      wire.push_back(0xFF);
      wire.push_back(0xEF);
      ++records;
    }
    for (size_t done = 0; done < wire.size();) {
      size_t n = 1 + rng() % 8192;
      if (n > wire.size() - done) n = wire.size() - done;
      chunks.push_back(n);
      done += n;
    }
  }
};

void BM_TelnetReceive(benchmark::State& state) {
  static const Workload work;
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    state.SkipWithError("socketpair");
    return;
  }
  CountingSession session;
  BenchTelnet telnet(session);
  if (telnet.adoptConnectedSocket(fds[0], true) != 0) {
    state.SkipWithError("adopt");
    close(fds[1]);
    return;
  }
  for (auto _ : state) {
    size_t at = 0;
    for (size_t n : work.chunks) {
      const uint8_t* p = work.wire.data() + at;
      size_t left = n;
      while (left > 0) {
        ssize_t w = write(fds[1], p, left);
        if (w <= 0) break;
        p += w;
        left -= static_cast<size_t>(w);
      }
      at += n;
      if (telnet.tel_receive() != 0) state.SkipWithError("tel_receive");
    }
  }
  if (session.records != work.records * state.iterations()) state.SkipWithError("records lost");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kPayload));
  state.counters["records"] = static_cast<double>(work.records);
  close(fds[1]);
}
BENCHMARK(BM_TelnetReceive)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
