// The master's event loop with 1 and with 50 session windows open, each
// connected to a loopback TN5250 host. One iteration is 20 waves; in a wave
// the host sends every session a small Write To Display and a Read Screen
// and waits for all the answers, so each session has one socket event per
// wave and the sessions' events all wait in the loop at once. The
// program's own toolkit on a private Xvfb, its own sessions made as the
// program makes them, real sockets.
//
// Counters: events/s (the socket inputs the loop dispatched to the
// sessions), events per iteration, and records/s (host records the
// sessions took).
#include "tests/support/SessionToolkit.h"  // first: gtest before Xlib

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "session/XtEventSources.h"
#include "tests/demohost/HostLink.h"
#include "tests/support/SharedMemoryKeys.h"
#include "tests/support/TempDir.h"
#include "tests/support/XTestServer.h"

namespace {

constexpr int kWaves = 20;
constexpr int kWaitMs = 60000;
using Bytes = std::vector<uint8_t>;

Bytes Framed(const Bytes& data, uint8_t opcode) {
  const size_t n = data.size() + 10;
  Bytes r = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0, 0, 0x04, 0, 0, opcode};
  r.insert(r.end(), data.begin(), data.end());
  Bytes wire;
  for (uint8_t b : r) {
    wire.push_back(b);
    if (b == 0xFF) wire.push_back(0xFF);
  }
  wire.push_back(0xFF);
  wire.push_back(0xEF);
  return wire;
}

// Write To Display: twelve letters at row `row`, column 1.
Bytes SmallWrite(int row, int k) {
  Bytes d = {0x04, 0x11, 0x00, 0x00, 0x11, static_cast<uint8_t>(row), 1};
  for (int i = 0; i < 12; ++i) d.push_back(static_cast<uint8_t>(0xC1 + (k + i) % 9));
  return Framed(d, 0x01);
}

// The host's thread: accepts and negotiates `sessions` connections, then per
// round sends each its share of the records and a Read Screen and reads
// every answer. The loop learns of a finished round through a pipe.
struct Host {
  explicit Host(int n) : sessions(n) {}

  int sessions;
  std::thread thread;
  std::mutex mu;
  std::condition_variable cv;
  int rounds = 0;
  bool stop = false;
  int wake[2] = {-1, -1};
  std::atomic<bool> failed{false};
  std::atomic<int> negotiated{0};
  std::atomic<int> answered{0};
  int listener = -1, port = 0;
  std::vector<std::unique_ptr<demohost::HostLink>> links;
  std::vector<Bytes> waves;  // what one wave sends each session

  bool Start() {
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    listener = demohost::ListenLoopback(0, &port);
    if (listener < 0) return false;
    const Bytes readScreen = Framed({0x04, 0x62}, 0x03);
    for (int k = 0; k < kWaves; ++k) {
      Bytes wave = SmallWrite(2 + k, k);
      wave.insert(wave.end(), readScreen.begin(), readScreen.end());
      waves.push_back(wave);
    }
    thread = std::thread([this] { Run(); });
    return true;
  }
  void Signal() {
    const char c = 'x';
    (void)!write(wake[1], &c, 1);
  }
  void Run() {
    // Each connection negotiates on a thread of its own: the sessions
    // connect in the order of their timers, not one after the other.
    std::vector<std::thread> negotiations;
    for (int i = 0; i < sessions; ++i) {
      const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) {
        failed = true;
        break;
      }
      links.push_back(std::make_unique<demohost::HostLink>(fd));
      demohost::HostLink* link = links.back().get();
      negotiations.emplace_back([this, link] {
        if (link->Negotiate(kWaitMs))
          ++negotiated;
        else
          failed = true;
      });
    }
    for (std::thread& t : negotiations) t.join();
    Signal();
    if (failed) return;
    int done = 0;
    for (;;) {
      {
        std::unique_lock<std::mutex> lk(mu);
        cv.wait(lk, [&] { return stop || rounds > done; });
        if (stop) return;
      }
      for (const Bytes& wave : waves) {
        for (size_t i = 0; i < links.size() && !failed; ++i)
          if (!links[i]->SendRaw(wave.data(), wave.size(), kWaitMs)) failed = true;
        for (size_t i = 0; i < links.size() && !failed; ++i) {
          Bytes answer;
          if (!links[i]->ReadRecord(&answer, kWaitMs) || answer.size() < 1920) failed = true;
        }
      }
      ++done;
      ++answered;
      Signal();
    }
  }
  void Ask() {
    std::lock_guard<std::mutex> lk(mu);
    ++rounds;
    cv.notify_all();
  }
  void Stop() {
    {
      std::lock_guard<std::mutex> lk(mu);
      stop = true;
      cv.notify_all();
    }
    if (thread.joinable()) thread.join();
    links.clear();
    if (listener >= 0) close(listener);
    for (int fd : wake)
      if (fd >= 0) close(fd);
  }
};

std::string g_toolkitError;

// The program's toolkit on a private Xvfb with a master record of its own,
// made once.
bool Toolkit() {
  if (ApplicationContext()) return true;
  if (!g_toolkitError.empty()) return false;
  if (!qwtest::session_toolkit::StartToolkit(0, &g_toolkitError)) {
    if (g_toolkitError.empty()) g_toolkitError = "the toolkit could not be made";
    return false;
  }
  AppResources().MAX_SESSIONS = 99;
  // An open dialog keeps the master alive when the last session ends.
  TheErrorDialogs().createWarningDialog(TopLevelWidget(), "ErrorMsgUnknownHost", nullptr, nullptr);
  return true;
}

bool RunUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MasterEventSources()->ProcessPending(20);
  }
  return true;
}

std::vector<SessionControlBlock*> Sessions() {
  std::vector<SessionControlBlock*> all;
  for (int i = 0; i < kMaxSessionSlots; ++i)
    if (SessionControlBlock* b = SessionEntry(i)->session) all.push_back(b);
  return all;
}

unsigned long LoopEvents(const std::vector<SessionControlBlock*>& sessions) {
  unsigned long n = 0;
  for (SessionControlBlock* b : sessions) n += b->eventCount;
  return n;
}

void MasterLoop(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  if (!Toolkit()) {
    state.SkipWithError(g_toolkitError.c_str());
    return;
  }
  Host host(count);
  if (!host.Start()) {
    state.SkipWithError("no loopback host");
    return;
  }
  const int fd = host.wake[0];
  const EventSources::Id wakeInput = MasterEventSources()->AddInput(fd, [fd] {
    char buf[16];
    while (read(fd, buf, sizeof buf) > 0) {
    }
  });
  for (int i = 0; i < count; ++i) {
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = host.port;
    o.title = "QW5250 benchmark";
    createSessionUnderThisProcess(o, nullptr, nullptr);
  }
  const std::vector<SessionControlBlock*> sessions = Sessions();
  if (static_cast<int>(sessions.size()) != count ||
      !RunUntil([&] { return host.negotiated == count || host.failed; }) || host.failed) {
    state.SkipWithError("the sessions did not connect");
  } else {
    unsigned long events = 0;
    for (auto _ : state) {
      const unsigned long e0 = LoopEvents(sessions);
      const int want = host.answered + 1;
      host.Ask();
      while (host.answered < want && !host.failed) MasterEventSources()->ProcessPending(1000);
      events += LoopEvents(sessions) - e0;
    }
    if (host.failed) state.SkipWithError("a round failed");
    const double n = static_cast<double>(state.iterations());
    state.counters["records/s"] =
        benchmark::Counter(2.0 * kWaves * count * n, benchmark::Counter::kIsRate);
    state.counters["events/s"] = benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
    state.counters["events"] = static_cast<double>(events) / n;
  }
  MasterEventSources()->RemoveInput(wakeInput);
  EndSessions(1);
  host.Stop();
  RunUntil([] { return getNumberOfSessions() == 0; });
}
BENCHMARK(MasterLoop)->Arg(1)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
