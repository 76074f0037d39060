// Round trips of the programming interface against the qw5250 program: the
// program on a private Xvfb with one session to the loopback host, clients on
// TCP as a programming-interface client would be. One iteration is one
// request answered: a full-screen read (presentation space with its four
// planes) or a SendKeys of 80 characters (and Home, so that the field never
// fills). Run with 1 client and with 20 clients at once (one thread each);
// the counter is round trips per second over all clients.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/EclClient.h"
#include "tests/support/FreePort.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestClock.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/TestPaths.h"
#include "tests/support/XTestServer.h"

namespace {

constexpr int kWaitMs = 30000;

std::vector<uint8_t> Gds(const std::vector<uint8_t>& body) {
  const size_t n = body.size() + 10;
  std::vector<uint8_t> r = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0x00, 0x00,
                            0x04, 0x00, 0x00, 0x03};
  r.insert(r.end(), body.begin(), body.end());
  return r;
}

// The program with one session, started once for all benchmarks.
struct Program {
  qwtest::XTestServer server;
  qwtest::TempDir home;
  qwtest::TestHost5250 host;
  qwtest::ChildProcess qw;
  int port = 0;
  uint32_t handle = 0;
  bool ready = false;
  std::string error;

  Program() {
    if (!server.Start() || !host.Start()) {
      error = "no X server or host";
      return;
    }
    port = qwtest::FreeLoopbackPort();
    if (!qw.Start({qwtest::Qw5250Binary(), "-ECL", "-PORT", std::to_string(host.Port()), "-RETRY_COUNT", "0",
                   "127.0.0.1"},
                  qwtest::ChildProcess::BaseEnvironment({"DISPLAY=" + server.DisplayName(), "HOME=" + home.Path(),
                                                        "LANG=C", "QW_ECL_PORT=" + std::to_string(port),
                                                        "QW_ECL_EVENT_HOST=127.0.0.1", "QW_ECL_EVENT_PORT=1"})) ||
        !host.WaitNegotiated(kWaitMs)) {
      error = "the program did not start";
      return;
    }
    // A screen of text with one input field of 1,600 positions from row 3,
    // the cursor in it.
    std::vector<uint8_t> body = {0x04, 0x40, 0x04, 0x11, 0x00, 0x08, 0x11, 1, 1};
    for (int i = 0; i < 80; ++i) body.push_back(static_cast<uint8_t>(0xC1 + i % 9));
    for (uint8_t b : {0x11, 2, 80, 0x1D, 0x40, 0x00, 0x20, 0x06, 0x40, 0x13, 3, 1}) body.push_back(b);
    for (uint8_t b : {0x04, 0x52, 0x00, 0x00}) body.push_back(b);
    host.SendRecord(Gds(body));
    if (!host.Barrier(kWaitMs)) {
      error = "the screen did not arrive";
      return;
    }
    qwtest::EclClient probe;
    uint32_t handshake = 0;
    qwtest::Deadline deadline(kWaitMs);
    while (!probe.Connect(port, &handshake) && !deadline.Expired()) {
    }
    int32_t rc = 0;
    uint32_t number = 0;
    if (handshake != 1 || !probe.FindSession("127.0.0.1 1", &rc, &handle, &number) || rc != 1) {
      error = "no programming interface";
      return;
    }
    ready = true;
  }
};

Program& TheProgram() {
  static Program* p = new Program;
  return *p;
}

std::unique_ptr<qwtest::EclClient> Connect(benchmark::State& state, const Program& p) {
  auto client = std::make_unique<qwtest::EclClient>();
  uint32_t handshake = 0;
  if (!client->Connect(p.port, &handshake) || handshake != 1) {
    state.SkipWithError("connect failed");
    return nullptr;
  }
  return client;
}

// The program every benchmark thread shares, started by the first; null
// (the benchmark skipped) when it could not start.
Program* ReadyProgram(benchmark::State& state) {
  static std::mutex start;
  Program* p;
  {
    std::lock_guard<std::mutex> lock(start);
    p = &TheProgram();
  }
  if (!p->ready) {
    state.SkipWithError(p->error.c_str());
    return nullptr;
  }
  return p;
}

void BM_FullScreenRead(benchmark::State& state) {
  Program* p = ReadyProgram(state);
  if (!p) return;
  auto client = Connect(state, *p);
  if (!client) return;
  qwtest::EclClient::Screen screen;
  int32_t rc = 0;
  for (auto _ : state) {
    if (!client->ReadScreen(p->handle, &rc, &screen) || rc != 1 || screen.text.size() != 1920) {
      state.SkipWithError("read failed");
      break;
    }
  }
  state.counters["round_trips_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                            benchmark::Counter::kIsRate);
}

void BM_SendKeys80(benchmark::State& state) {
  Program* p = ReadyProgram(state);
  if (!p) return;
  auto client = Connect(state, *p);
  if (!client) return;
  std::string text;
  for (int i = 0; i < 80; ++i) text.push_back(static_cast<char>('a' + i % 26));
  text += "[home]";
  const qwtest::EclBytes data = qwtest::EclHandleText(p->handle, text);
  int32_t rc = 0;
  for (auto _ : state) {
    if (!client->Call(13, 2, data, 0, &rc) || rc != 1) {
      state.SkipWithError("SendKeys failed");
      break;
    }
  }
  state.counters["round_trips_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                            benchmark::Counter::kIsRate);
}

BENCHMARK(BM_FullScreenRead)->Threads(1)->Threads(20)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SendKeys80)->Threads(1)->Threads(20)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
