// End to end: 20,000 24 x 80 screens streamed by a loopback TN5250 host as
// fast as TCP takes them, then a Read Screen. One iteration is from the first
// byte sent to the answer of the Read Screen arriving at the host. Two kinds
// of screen, each screen different from the one before:
//  - dense: one Write To Display, a field attribute every 20 positions and
//    text in every other position;
//  - fields: what application screens look like: a Clear Format Table, a
//    Write To Display that unlocks the keyboard, on each of 23 rows an SBA,
//    a colour attribute and text, on every third row an input field (a start
//    field order with a field format word) with its data, and the cursor
//    put in the first field.
//
// EndToEnd: a headless session (the real Telnet transport, the record glue,
// the TCP host interface, the data stream manager and the X display device,
// RenderingX) over a window that only counts what it is handed: the engine
// alone. Counters: screens/s, painting flushes and cells handed to the
// window per iteration.
//
// EndToEndWindow: the program's own session window on a private Xvfb, the
// session made as the program makes it. Counters: screens/s, the X flushes
// (writes to the server) per record, the X requests per screen, the window's
// paints per iteration, and the CPU time per screen of the session (its
// thread) and of the X server (from /proc/PID/stat), and the session
// thread's heap allocations per record (operator new, and malloc where the
// program is built without a sanitizer).
//
// RoundTrip: the interactive case on the same window: Return pressed through
// XTEST, the Enter record reaches the host, the host answers with a new
// screen, and the window has painted it (an XSync after it). Counters: the
// median and the 99th percentile in microseconds.
#include "tests/support/SessionToolkit.h"  // first: gtest before Xlib

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#define BENCH_COUNT_MALLOC 1
#include "bench/AllocationCounter.h"
#include "tests/support/CountingWindow.h"
#include "datastream/HostInterfaceTCP.h"
#include "datastream/RecordGlue.h"
#include "datastream/TelnetLAN.h"
#include "datastream/TelnetSessionLink.h"
#include "display/DisplayBag.h"
#include "display/DisplayCharacteristics.h"
#include "keyboard/TAXlate.h"
#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "session/XtEventSources.h"
#include "tests/demohost/HostLink.h"
#include "tests/support/PollEventSources.h"
#include "tests/support/TempDir.h"
#include "tests/support/XFlushCounter.h"
#include "tests/support/XTestServer.h"
#include "xfront/RenderingX.h"
#include "xfront/XStuff.h"

namespace {

constexpr int kScreens = 20000;
constexpr int kVariants = 8;
constexpr int kRoundTrips = 400;
constexpr int kWaitMs = 60000;
using Bytes = std::vector<uint8_t>;

// What a session block does for the transport and the glue, without a
// window; it counts records and painting flushes, and paints once per
// receive as the session does.
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
  void receiveBegins() override {
    if (glue->hostInterface()) glue->hostInterface()->beginRecordBurst();
  }
  void receiveDrained() override {
    if (glue->hostInterface()) glue->hostInterface()->endRecordBurst();
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

Bytes Framed(const Bytes& data, uint8_t opcode, uint8_t flags2 = 0) {
  const size_t n = data.size() + 10;
  Bytes r = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0, 0, 0x04, 0, flags2, opcode};
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

// Screen `v` as applications send them: the format table cleared, rows of
// a colour attribute and text, an input field on every third row.
Bytes FieldScreen(int v) {
  static const uint8_t colours[] = {0x20, 0x22, 0x28, 0x3A, 0x30, 0x24, 0x2A, 0x38};
  static const uint8_t glyphs[] = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0x40, 0xD1, 0xD2,
                                   0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0x40, 0xE2, 0xE3, 0xE4, 0xE5,
                                   0xE6, 0xE7, 0xE8, 0xE9, 0x4B, 0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6,
                                   0xF7, 0xF8, 0xF9, 0x7A};
  auto text = [&](Bytes& d, int row, int n, int salt) {
    for (int i = 0; i < n; ++i) d.push_back(glyphs[(row * 11 + i + salt + v * 7) % sizeof glyphs]);
  };
  Bytes d = {0x04, 0x50, 0x04, 0x11, 0x00, 0x08};
  for (int row = 1; row <= 23; ++row) {
    d.insert(d.end(), {0x11, static_cast<uint8_t>(row), 1, colours[(row + v) % 8]});
    if (row % 3 == 0) {
      text(d, row, 24, 0);  // a label, then the field at column 27
      d.insert(d.end(), {0x1D, 0x40, 0x00, 0x24, 0x00, 20});
      text(d, row, 20, 3);
      d.push_back(colours[(row + v + 3) % 8]);
      text(d, row, 30, 5);
    } else {
      text(d, row, 38, 0);
      d.push_back(colours[(row + v + 1) % 8]);
      text(d, row, 38, 9);
    }
  }
  d.insert(d.end(), {0x13, 3, 28});
  return d;
}

enum class Screens { Dense, Fields };

// The round trip's screen `k`: its mark (a letter) at row 2, column 1, the
// keyboard unlocked, the cursor at row 9, column 33, and a Read MDT Fields
// that waits for the next AID.
constexpr unsigned int kMarkOffset = 80;
uint8_t Mark(int k) { return static_cast<uint8_t>(0xC1 + k % 9); }
Bytes RoundTripScreen(int k) {
  return Framed({0x04, 0x11, 0x20, 0x08, 0x11, 2, 1, Mark(k), 0x13, 9, 33, 0x04, 0x52, 0x00, 0x00}, 0x03, 0x40);
}

// The host's thread. Streaming: negotiates, then for each round sends the
// stream and the Read Screen and waits for the answer. Round trips: sends
// the first screen, then answers each record of the client with the next
// screen. The session's loop learns of each answer through a pipe.
struct Host {
  enum class Mode { Stream, RoundTrips };
  explicit Host(Mode m, Screens kind = Screens::Dense) : mode(m), screens(kind) {}

  Mode mode;
  Screens screens;
  std::thread thread;
  std::mutex mu;
  std::condition_variable cv;
  int rounds = 0;  // asked for
  bool stop = false;
  int wake[2] = {-1, -1};  // host to session: one byte per answer
  std::atomic<bool> failed{false};
  std::atomic<bool> negotiated{false};
  std::atomic<int> answered{0};
  size_t lastAnswer = 0;
  Bytes stream, readScreen;
  int listener = -1, port = 0;
  EventSources::Id wakeInput = 0;

  bool Start() {
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    listener = demohost::ListenLoopback(0, &port);
    if (listener < 0) return false;
    if (mode == Mode::Stream) {
      std::vector<Bytes> variants;
      for (int v = 0; v < kVariants; ++v)
        variants.push_back(Framed(screens == Screens::Dense ? DenseScreen(v) : FieldScreen(v), 0x01));
      for (int s = 0; s < kScreens; ++s)
        stream.insert(stream.end(), variants[s % kVariants].begin(), variants[s % kVariants].end());
      readScreen = Framed({0x04, 0x62}, 0x03);
    }
    thread = std::thread([this] { Run(); });
    return true;
  }
  void Signal() {
    const char c = 'x';
    (void)!write(wake[1], &c, 1);
  }
  void Run() {
    const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    demohost::HostLink hostLink(fd);
    if (fd < 0 || !hostLink.Negotiate(kWaitMs)) {
      failed = true;
      Signal();
      return;
    }
    negotiated = true;
    Signal();
    if (mode == Mode::Stream)
      Stream(hostLink);
    else
      RoundTrips(hostLink);
  }
  void Stream(demohost::HostLink& hostLink) {
    int done = 0;
    for (;;) {
      {
        std::unique_lock<std::mutex> lk(mu);
        cv.wait(lk, [&] { return stop || rounds > done; });
        if (stop) return;
      }
      Bytes answer;
      if (!hostLink.SendRaw(stream.data(), stream.size(), kWaitMs) ||
          !hostLink.SendRaw(readScreen.data(), readScreen.size(), kWaitMs) || !hostLink.ReadRecord(&answer, kWaitMs))
        failed = true;
      lastAnswer = answer.size();
      ++done;
      ++answered;
      Signal();
    }
  }
  void RoundTrips(demohost::HostLink& hostLink) {
    int k = 0;
    Bytes screen = RoundTripScreen(k);
    if (!hostLink.SendRaw(screen.data(), screen.size(), kWaitMs)) failed = true;
    while (!failed) {
      Bytes record;
      if (!hostLink.ReadRecord(&record, 200)) {
        std::lock_guard<std::mutex> lk(mu);
        if (stop || !hostLink.Open()) return;
        continue;
      }
      screen = RoundTripScreen(++k);
      if (!hostLink.SendRaw(screen.data(), screen.size(), kWaitMs)) failed = true;
      ++answered;
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

void EndToEnd(benchmark::State& state, Screens kind) {
  for (int i = 0; i < 256; ++i) g_table[i] = static_cast<unsigned char>(i);
  Host host(Host::Mode::Stream, kind);
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
      events.AddInput(host.wake[0], [&] {
        char buf[16];
        while (read(host.wake[0], buf, sizeof buf) > 0) {
        }
      });
      unsigned long flushes = 0, cells = 0, records = 0, allocations = 0;
      for (auto _ : state) {
        const unsigned long f0 = session.flushes, c0 = window.cells, r0 = session.records;
        const unsigned long a0 = ThreadHeapAllocations();
        const int want = host.answered + 1;
        host.Ask();
        while (host.answered < want && !host.failed) events.ProcessPending(1000);
        allocations += ThreadHeapAllocations() - a0;
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
      state.counters["allocs/record"] = static_cast<double>(allocations) / static_cast<double>(records ? records : 1);
    }
    telnet.tel_close();
    host.Stop();
    glue.setHostInterface(nullptr);
    hostInterface.setDisplayObjectPtr(nullptr);
  }
}

// ---- the real window --------------------------------------------------------------------------

std::string g_toolkitError;

// The program's toolkit on a private Xvfb, made once.
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

void Pump(unsigned long ms = 20) { MasterEventSources()->ProcessPending(ms); }

bool RunUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Pump();
  }
  return true;
}

// The session created last (null when there is none).
SessionControlBlock* NewestSession() {
  SessionControlBlock* newest = nullptr;
  int sequence = 0;
  for (int i = 0; i < kMaxSessionSlots; ++i) {
    const SessionTableEntry* e = SessionEntry(i);
    if (e->session && e->sequence > sequence) {
      sequence = e->sequence;
      newest = e->session;
    }
  }
  return newest;
}

// A session window connected to `host`, mapped and negotiated; null (and
// the reason in the state) when it could not be made.
SessionControlBlock* WindowSession(benchmark::State& state, Host& host) {
  if (!ThreadHeapAllocationsCounted()) state.SetLabel("heap allocations not counted");
  if (!Toolkit()) {
    state.SkipWithError(g_toolkitError.c_str());
    return nullptr;
  }
  if (!host.Start()) {
    state.SkipWithError("no loopback host");
    return nullptr;
  }
  SessionStartOptions o;
  o.hostName = "127.0.0.1";
  o.port = host.port;
  o.title = "QW5250 benchmark";
  createSessionUnderThisProcess(o, nullptr, nullptr);
  SessionControlBlock* block = NewestSession();
  if (!block || !RunUntil([&] { return host.negotiated || host.failed; }) || host.failed ||
      !RunUntil([&] { return block->xstuff.mapped() && XtIsRealized(block->xstuff.x_get_text_widget()); })) {
    state.SkipWithError("no session window");
    return nullptr;
  }
  const int fd = host.wake[0];
  host.wakeInput = MasterEventSources()->AddInput(fd, [fd] {
    char buf[16];
    while (read(fd, buf, sizeof buf) > 0) {
    }
  });
  return block;
}

void EndWindowSession(Host& host) {
  if (host.wakeInput) MasterEventSources()->RemoveInput(host.wakeInput);
  EndSessions(1);
  Pump(20);
  host.Stop();
}

double ThreadCpuSeconds() {
  struct timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// User and system time of a process, from /proc/PID/stat (fields 14, 15).
double ProcessCpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return 0;
  const size_t close = line.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(line.substr(close + 2));
  std::string skip;
  for (int i = 3; i < 14; ++i) fields >> skip;  // state .. cmajflt
  unsigned long utime = 0, stime = 0;
  fields >> utime >> stime;
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void EndToEndWindow(benchmark::State& state, Screens kind) {
  Host host(Host::Mode::Stream, kind);
  SessionControlBlock* block = WindowSession(state, host);
  if (!block) return;
  Display* display = XtDisplay(block->xstuff.x_get_text_widget());
  qwtest::CountXFlushes(display);
  XStuff& x = block->xstuff;
  unsigned long xFlushes = 0, xRequests = 0, paints = 0, records = 0, allocations = 0;
  double cpu = 0, serverCpu = 0;
  for (auto _ : state) {
    const unsigned long a0 = ThreadHeapAllocations();
    const qwtest::XFlushCount f0 = qwtest::XFlushesOf(display);
    const unsigned long q0 = XNextRequest(display), p0 = x.paintStats().flushes;
    const double c0 = ThreadCpuSeconds(), s0 = ProcessCpuSeconds(qwtest::session_toolkit::g_server->Pid());
    const int want = host.answered + 1;
    host.Ask();
    while (host.answered < want && !host.failed) Pump(1000);
    XSync(display, False);  // the server has drawn it all
    allocations += ThreadHeapAllocations() - a0;
    xFlushes += qwtest::XFlushesOf(display).flushes - f0.flushes;
    xRequests += XNextRequest(display) - q0;
    paints += x.paintStats().flushes - p0;
    cpu += ThreadCpuSeconds() - c0;
    serverCpu += ProcessCpuSeconds(qwtest::session_toolkit::g_server->Pid()) - s0;
    records += kScreens + 1;
  }
  if (host.failed) state.SkipWithError("the host's round failed");
  if (host.lastAnswer < 1920) state.SkipWithError("the Read Screen answer is short");
  const double n = static_cast<double>(state.iterations());
  const double screens = static_cast<double>(kScreens) * n;
  state.counters["screens/s"] = benchmark::Counter(screens, benchmark::Counter::kIsRate);
  state.counters["xFlushes/record"] = static_cast<double>(xFlushes) / static_cast<double>(records);
  state.counters["xRequests/screen"] = static_cast<double>(xRequests) / screens;
  state.counters["paints"] = static_cast<double>(paints) / n;
  state.counters["us/screen(qw5250)"] = cpu * 1e6 / screens;
  state.counters["us/screen(Xvfb)"] = serverCpu * 1e6 / screens;
  state.counters["us/screen(both)"] = (cpu + serverCpu) * 1e6 / screens;
  state.counters["allocs/record"] = static_cast<double>(allocations) / static_cast<double>(records);
  EndWindowSession(host);
}

void RoundTrip(benchmark::State& state) {
  Host host(Host::Mode::RoundTrips);
  SessionControlBlock* block = WindowSession(state, host);
  if (!block) return;
  Display* display = XtDisplay(block->xstuff.x_get_text_widget());
  Display* keys = XOpenDisplay(DisplayString(display));
  int event = 0, error = 0, major = 0, minor = 0;
  if (!keys || !XTestQueryExtension(keys, &event, &error, &major, &minor)) {
    state.SkipWithError("no XTEST");
    if (keys) XCloseDisplay(keys);
    EndWindowSession(host);
    return;
  }
  DisplayBag* station = block->display;
  const KeyCode enter = XKeysymToKeycode(keys, XK_Return);
  XSetInputFocus(keys, XtWindow(block->xstuff.x_get_text_widget()), RevertToParent, CurrentTime);
  XSync(keys, False);
  // The first screen is there and painted.
  if (!RunUntil([&] { return station->presentationSpace().getCharacter(kMarkOffset) == Mark(0); })) {
    state.SkipWithError("the first screen did not come");
  }
  std::vector<double> samples;
  int k = 0;
  for (auto _ : state) {
    const uint8_t mark = Mark(++k);
    const auto t0 = std::chrono::steady_clock::now();
    XTestFakeKeyEvent(keys, enter, True, CurrentTime);
    XTestFakeKeyEvent(keys, enter, False, CurrentTime);
    XFlush(keys);
    const bool came = RunUntil([&] { return station->presentationSpace().getCharacter(kMarkOffset) == mark; }, 5000);
    XSync(display, False);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!came) {
      state.SkipWithError("no new screen after Enter");
      break;
    }
    state.SetIterationTime(seconds);
    samples.push_back(seconds * 1e6);
  }
  if (!samples.empty()) {
    std::sort(samples.begin(), samples.end());
    state.counters["median_us"] = samples[samples.size() / 2];
    state.counters["p99_us"] = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
  }
  XCloseDisplay(keys);
  EndWindowSession(host);
}

}  // namespace

BENCHMARK_CAPTURE(EndToEnd, dense, Screens::Dense)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(EndToEnd, fields, Screens::Fields)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(EndToEndWindow, dense, Screens::Dense)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(EndToEndWindow, fields, Screens::Fields)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(RoundTrip)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(kRoundTrips);

BENCHMARK_MAIN();
