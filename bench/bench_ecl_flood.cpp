// One programming-interface client that sends invalid requests as fast as
// the connection takes them, for 30 seconds (QW_FLOOD_SECONDS changes it),
// against the qw5250 program (private Xvfb, one session to the loopback
// host). It reads every reply. Reported: the program's resident memory at
// the start and at the end (and the most seen, sampled every second), the
// requests sent, and the log lines the program wrote meanwhile. Goal: the
// memory within a few MB of the start and the log within a few lines.
#include <benchmark/benchmark.h>

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/EclClient.h"
#include "tests/support/FreePort.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/TestPaths.h"
#include "tests/support/XTestServer.h"

namespace {

constexpr int kWaitMs = 30000;

long ResidentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

size_t Lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

void BM_InvalidRequestFlood(benchmark::State& state) {
  qwtest::XTestServer server;
  qwtest::TempDir home;
  qwtest::TestHost5250 host;
  qwtest::ChildProcess qw;
  if (!server.Start() || !host.Start()) {
    state.SkipWithError("no X server or host");
    return;
  }
  const int port = qwtest::FreeLoopbackPort();
  if (!qw.Start({qwtest::Qw5250Binary(), "-ECL", "-PORT", std::to_string(host.Port()), "-RETRY_COUNT", "0",
                 "127.0.0.1"},
                qwtest::ChildProcess::BaseEnvironment({"DISPLAY=" + server.DisplayName(), "HOME=" + home.Path(),
                                                      "LANG=C", "QW_ECL_PORT=" + std::to_string(port),
                                                      "QW_ECL_EVENT_HOST=127.0.0.1", "QW_ECL_EVENT_PORT=1"})) ||
      !host.WaitNegotiated(kWaitMs)) {
    state.SkipWithError("the program did not start");
    return;
  }
  qwtest::EclClient client;
  uint32_t handshake = 0;
  for (int tries = 0; tries < 300 && !client.Connect(port, &handshake); ++tries) poll(nullptr, 0, 100);
  if (handshake != 1) {
    state.SkipWithError("no programming interface");
    return;
  }
  const char* given = std::getenv("QW_FLOOD_SECONDS");
  const int seconds = given && std::atoi(given) > 0 ? std::atoi(given) : 30;
  // 4,096 requests of a class that does not exist, sent again and again.
  std::vector<uint8_t> burst;
  for (int i = 0; i < 4096; ++i) {
    qwtest::EclPut32(burst, 77);
    qwtest::EclPut32(burst, static_cast<uint32_t>(i));
    qwtest::EclPut32(burst, 0);
  }
  for (auto _ : state) {
    qw.Pump();
    const size_t logBefore = Lines(qw.Output());
    const long startKb = ResidentKb(qw.Pid());
    long mostKb = startKb;
    long long sent = 0, answered = 0;
    const auto start = std::chrono::steady_clock::now();
    auto nextSample = start;
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(seconds)) {
      if (!client.SendRaw(burst)) break;
      sent += 4096;
      // Replies are read as they come, so the client itself never stalls.
      std::vector<uint8_t> replies;
      if (!client.Read(4 * 4096, &replies, kWaitMs)) break;
      answered += 4096;
      if (std::chrono::steady_clock::now() >= nextSample) {
        mostKb = std::max(mostKb, ResidentKb(qw.Pid()));
        nextSample += std::chrono::seconds(1);
      }
    }
    const long endKb = ResidentKb(qw.Pid());
    qw.Pump();
    state.counters["requests"] = static_cast<double>(sent);
    state.counters["answered"] = static_cast<double>(answered);
    state.counters["rss_start_MB"] = startKb / 1024.0;
    state.counters["rss_end_MB"] = endKb / 1024.0;
    state.counters["rss_most_MB"] = std::max(mostKb, endKb) / 1024.0;
    state.counters["log_lines"] = static_cast<double>(Lines(qw.Output()) - logBefore);
  }
  client.Close();
  qw.Stop();
}

BENCHMARK(BM_InvalidRequestFlood)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
