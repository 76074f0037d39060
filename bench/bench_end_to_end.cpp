// End to end: 20,000 dense 24 x 80 screens (Write To Display, a field
// attribute every 20 positions and text in every other position, each screen
// different from the one before) streamed by a loopback TN5250 host as fast
// as TCP takes them into a headless session (the real Telnet transport, the
// record glue, the TCP host interface, the data stream manager and the X
// display device, RenderingX, over a window that only counts what it is
// handed), then a Read Screen. One iteration is from the first byte sent to
// the answer of the Read Screen arriving at the host. Counters: screens/s
// (wall clock), the painting flushes and the cells handed to the window per
// iteration.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/CountingWindow.h"
#include "datastream/HostInterfaceTCP.h"
#include "datastream/RecordGlue.h"
#include "datastream/TelnetLAN.h"
#include "datastream/TelnetSessionLink.h"
#include "display/DisplayBag.h"
#include "display/DisplayCharacteristics.h"
#include "keyboard/TAXlate.h"
#include "tests/demohost/HostLink.h"
#include "tests/support/PollEventSources.h"
#include "xfront/RenderingX.h"

namespace {

constexpr int kScreens = 20000;
constexpr int kVariants = 8;
using Bytes = std::vector<uint8_t>;

// What a session block does for the transport and the glue, without a
// window; it counts records and painting flushes.
class Session : public TelnetSessionLink, public RecordGlueLink {
 public:
  explicit Session(EventSources& events) : events_(events) {}
  EventSources& eventSources() override { return events_; }
  int s5250_accept(const unsigned char* data, int length) override {
    return length > 0 ? ::s5250_accept(*glue, data, static_cast<size_t>(length)) : 0;
  }
  void s5250_accept_eor() override {
    ++records;
    ::s5250_accept_eor(*glue);
  }
  void connectError(const char* msgName, int) override { std::fprintf(stderr, "connect error %s\n", msgName); }
  int negotiateTimeoutSeconds() const override { return 10; }
  int connectTimeoutSeconds() const override { return 10; }
  int tel_senddata(const char* data, int length) override { return telnet->tel_senddata(data, length); }
  int tel_sendeor() override { return telnet->tel_sendeor(); }
  void flushPainting() override { ++flushes; }

  TelnetLAN* telnet = nullptr;
  RecordGlue* glue = nullptr;
  unsigned long records = 0, flushes = 0;

 private:
  EventSources& events_;
};

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

// Screen `v`: every row four runs of an attribute and 19 characters.
Bytes DenseScreen(int v) {
  static const uint8_t attributes[] = {0x20, 0x22, 0x24, 0x28, 0x3A, 0x21, 0x30, 0x26};
  Bytes d = {0x04, 0x11, 0x00, 0x00};
  for (int row = 1; row <= 24; ++row) {
    d.insert(d.end(), {0x11, static_cast<uint8_t>(row), 1});
    for (int run = 0; run < 4; ++run) {
      d.push_back(attributes[(row + run + v) % 8]);
      for (int i = 0; i < 19; ++i) {
        // Letters and digits of CP037: C1-C9, D1-D9, E2-E9, F0-F9.
        static const uint8_t glyphs[] = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2,
                                         0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5,
                                         0xE6, 0xE7, 0xE8, 0xE9, 0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6,
                                         0xF7, 0xF8, 0xF9};
        d.push_back(glyphs[(row * 7 + run * 19 + i + v * 5) % sizeof glyphs]);
      }
    }
  }
  return d;
}

// The host's thread: negotiates, then for each round sends the stream and
// the Read Screen and waits for the answer.
struct Host {
  std::thread thread;
  std::mutex mu;
  std::condition_variable cv;
  int rounds = 0;       // asked for
  bool stop = false;
  int wake[2] = {-1, -1};  // host to session: one byte per answer
  std::atomic<bool> failed{false};
  size_t lastAnswer = 0;
  Bytes stream, readScreen;
  int listener = -1, port = 0;

  bool Start() {
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    listener = demohost::ListenLoopback(0, &port);
    if (listener < 0) return false;
    std::vector<Bytes> variants;
    for (int v = 0; v < kVariants; ++v) variants.push_back(Framed(DenseScreen(v), 0x01));
    for (int s = 0; s < kScreens; ++s) stream.insert(stream.end(), variants[s % kVariants].begin(), variants[s % kVariants].end());
    readScreen = Framed({0x04, 0x62}, 0x03);
    thread = std::thread([this] { Run(); });
    return true;
  }
  void Run() {
    const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    demohost::HostLink link(fd);
    if (fd < 0 || !link.Negotiate(10000)) {
      failed = true;
      return;
    }
    int done = 0;
    for (;;) {
      {
        std::unique_lock<std::mutex> lk(mu);
        cv.wait(lk, [&] { return stop || rounds > done; });
        if (stop) return;
      }
      Bytes answer;
      if (!link.SendRaw(stream.data(), stream.size(), 60000) ||
          !link.SendRaw(readScreen.data(), readScreen.size(), 60000) || !link.ReadRecord(&answer, 60000))
        failed = true;
      lastAnswer = answer.size();
      ++done;
      const char c = 'x';
      (void)!write(wake[1], &c, 1);
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
    if (listener >= 0) close(listener);
    for (int fd : wake)
      if (fd >= 0) close(fd);
  }
};

unsigned char g_table[256];

void EndToEnd(benchmark::State& state) {
  for (int i = 0; i < 256; ++i) g_table[i] = static_cast<unsigned char>(i);
  Host host;
  if (!host.Start()) {
    state.SkipWithError("no loopback host");
    return;
  }
  qwtest::PollEventSources events;
  Session session(events);
  TelnetLAN telnet(session);
  std::vector<unsigned char> outbound(kRecordBufferSize), reassembly(kRecordBufferSize);
  RecordGlue glue(session, outbound.data(), reassembly.data());
  session.telnet = &telnet;
  session.glue = &glue;
  CountingWindow window;
  {
    RenderingX device(24, 80, &window, g_table, static_cast<char*>(std::malloc(RenderingX::kAreaSize)),
                      RenderingX::kAreaSize);
    HostInterfaceTCP hostInterface(&glue);
    TAXlate tax;
    std::vector<unsigned char> ps(RenderingX::kBufferSize);
    DisplayBag display(nullptr, &device, &hostInterface, &tax, DisplayCharacteristics(), ps.data());
    hostInterface.setDisplayObjectPtr(&display);
    glue.setHostInterface(&hostInterface);

    if (telnet.tel_init("127.0.0.1", host.port) != 0 || telnet.tel_setup(0, nullptr, nullptr) != 0) {
      state.SkipWithError("no session");
    } else {
      telnet.addSocketInput();
      int answers = 0;
      events.AddInput(host.wake[0], [&] {
        char buf[16];
        while (read(host.wake[0], buf, sizeof buf) > 0) ++answers;
      });
      unsigned long flushes = 0, cells = 0, records = 0;
      for (auto _ : state) {
        const unsigned long f0 = session.flushes, c0 = window.cells, r0 = session.records;
        const int want = answers + 1;
        host.Ask();
        while (answers < want && !host.failed) events.ProcessPending(1000);
        flushes += session.flushes - f0;
        cells += window.cells - c0;
        records += session.records - r0;
      }
      if (host.failed) state.SkipWithError("the host's round failed");
      if (host.lastAnswer < 1920) state.SkipWithError("the Read Screen answer is short");
      const double n = static_cast<double>(state.iterations());
      state.counters["screens/s"] =
          benchmark::Counter(static_cast<double>(kScreens) * n, benchmark::Counter::kIsRate);
      state.counters["flushes"] = static_cast<double>(flushes) / n;
      state.counters["records"] = static_cast<double>(records) / n;
      state.counters["cells"] = static_cast<double>(cells) / n;
      state.counters["answerBytes"] = static_cast<double>(host.lastAnswer);
    }
    telnet.tel_close();
    host.Stop();
    glue.setHostInterface(nullptr);
    hostInterface.setDisplayObjectPtr(nullptr);
  }
}

}  // namespace

BENCHMARK(EndToEnd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
