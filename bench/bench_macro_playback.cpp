// Macro playback into the program's own session window on a private Xvfb,
// against the loopback host: a macro of N bytes (lines of 70 data keys into
// an input field, each ended by Enter, which the host answers with the
// screen again) played at the fastest rate, 50 steps a second. One iteration
// is from the start of the playback to its end. Counters: keys/s, the
// records that reached the host, and the time each step took beyond the
// 20 ms the rate asks for and beyond the host's answers (overhead_ms/step).
#include "tests/support/SessionToolkit.h"  // first: gtest before Xlib

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost5250.h"
#include "tools/MacroEvents.h"
#include "tools/PlayRecord.h"
#include "tools/PlaybackFile.h"
#include "xfront/XStuff.h"

namespace {

using Bytes = std::vector<uint8_t>;
using namespace qwtest::session_toolkit;

Bytes Screen() {
  const Bytes body = {0x04, 0x40, 0x04, 0x11, 0x00, 0x08, 0x11, 2, 1, 0x1D, 0x40, 0x00, 0x20, 0x00, 75,
                      0x13, 2, 2, 0x04, 0x52, 0x00, 0x00};
  Bytes record = {0, static_cast<uint8_t>(body.size() + 10), 0x12, 0xA0, 0, 0, 0x04, 0, 0x40, 0x03};
  record.insert(record.end(), body.begin(), body.end());
  return record;
}

Bytes Macro(size_t size, int* enters) {
  MacroRecorder r;
  *enters = 0;
  const Bytes line(70, 0xC1);
  while (r.bytes().size() + line.size() + 3 <= size) {
    r.appendDataKeys(line.data(), line.size());
    r.appendEvent(0x31, nullptr, 0);
    ++*enters;
  }
  return r.bytes();
}

void MacroPlayback(benchmark::State& state) {
  std::string error;
  if (!ApplicationContext() && !StartToolkit(0, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  SetDebugFlag(false);
  AppResources().MAX_SESSIONS = 99;
  TheErrorDialogs().createWarningDialog(TopLevelWidget(), "ErrorMsgUnknownHost", nullptr, nullptr);
  qwtest::TempDir dir;
  int enters = 0;
  const Bytes events = Macro(static_cast<size_t>(state.range(0)), &enters);
  const std::string path = dir.Path() + "/macro";
  if (!WritePlaybackFile(path, events, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  qwtest::TestHost5250 host;
  host.Start();
  SessionStartOptions o;
  o.hostName = "127.0.0.1";
  o.port = host.Port();
  createSessionUnderThisProcess(o, nullptr, nullptr);
  SessionControlBlock* b = NewestSession();
  if (!b || !host.WaitNegotiated(kWaitMs, HostPump())) {
    state.SkipWithError("no session");
    return;
  }
  host.SendRecord(Screen());
  host.Barrier(kWaitMs, HostPump());
  PlayRecord& play = b->playRecord;
  play.materializePlaybackControls(false);
  play.playbackRateChanged(50);
  size_t records = 0;
  double hostWaitMs = 0;
  size_t steps = 0;
  double elapsedMs = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    play.startPlaybackFile(path);
    while (play.playing()) {
      Pump(5);
      Bytes r;
      if (host.WaitForRecord(0, HostPump(), &r)) {
        ++records;
        const auto t0 = std::chrono::steady_clock::now();
        host.SendRecord(Screen());
        host.Barrier(kWaitMs, HostPump());
        hostWaitMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
      }
    }
    elapsedMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    steps += ReadAllMacroSteps(events).size();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["keys/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
  state.counters["records"] = static_cast<double>(records) / n;
  state.counters["enters"] = enters;
  state.counters["steps"] = static_cast<double>(steps) / n;
  state.counters["hostWait_ms"] = hostWaitMs / n;
  state.counters["overhead_ms/step"] =
      steps ? (elapsedMs - static_cast<double>(steps) * 20.0 - hostWaitMs) / static_cast<double>(steps) : 0;
  EndSessions(0);
  Pump(20);
}

}  // namespace

BENCHMARK(MacroPlayback)->Arg(1024)->Arg(8192)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

BENCHMARK_MAIN();
