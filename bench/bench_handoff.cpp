// Hand-off to the master: the time from a further start of qw5250 to its
// session window mapped by the master, with 1 and with 20 sessions already
// open there. A private Xvfb, a private master-record key and the loopback
// test host; each iteration's new window is closed again (untimed) so the
// master keeps the same number of sessions.
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/SharedMemoryKeys.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/TestPaths.h"
#include "tests/support/XTestServer.h"
#include "tests/support/XWindows.h"

namespace {

using namespace qwtest;

constexpr int kWaitMs = 60000;

std::vector<Window> SessionWindows(Display* display) {
  XErrorTrap trap(display);
  std::vector<Window> found;
  for (Window w : FindWindowsByClass(display, "QW5250")) {
    XClassHint hint = {};
    if (!XGetClassHint(display, w, &hint)) continue;
    const bool session = std::string(hint.res_name) == "QW5250";
    XFree(hint.res_name);
    XFree(hint.res_class);
    XWindowAttributes a;
    if (session && XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable) found.push_back(w);
  }
  return found;
}

void BM_SecondStartToWindowMapped(benchmark::State& state) {
  const size_t open = static_cast<size_t>(state.range(0));
  XTestServer server;
  TempDir home;
  TestHost5250 host;
  if (!server.Start() || !host.Start()) {
    state.SkipWithError("no X server or test host");
    return;
  }
  Display* display = server.Connect();
  const long key = PrivateMasterRecordKey();
  RemoveSharedSegment(key);
  const std::vector<std::string> env =
      ChildProcess::BaseEnvironment({"DISPLAY=" + server.DisplayName(), "HOME=" + home.Path(), "LANG=C"});
  const std::vector<std::string> argv = {Qw5250Binary(), "-PORT", std::to_string(host.Port()), "-RETRY_COUNT",
                                         "0", "127.0.0.1"};
  auto start = [&] {
    auto child = std::make_unique<ChildProcess>();
    ChildProcess::Options o;
    o.argv = argv;
    o.env = env;
    o.discardOutput = true;
    child->Start(o);
    return child;
  };
  std::unique_ptr<ChildProcess> master = start();
  for (size_t n = 1; n <= open; ++n) {
    if (n > 1) start()->WaitExit(kWaitMs);
    if (!WaitUntil([&] { return SessionWindows(display).size() >= n; }, kWaitMs, display)) {
      state.SkipWithError("the sessions did not open");
      return;
    }
  }
  for (auto _ : state) {
    std::unique_ptr<ChildProcess> second = start();
    const bool mapped = WaitUntil([&] { return SessionWindows(display).size() == open + 1; }, kWaitMs, display);
    state.PauseTiming();
    second->WaitExit(kWaitMs);
    if (!mapped) {
      state.SkipWithError("the handed-off window did not appear");
      break;
    }
    // Close the newest window again (the one no window of before was).
    const std::vector<Window> now = SessionWindows(display);
    SendDeleteWindow(display, now.back());
    WaitUntil([&] { return SessionWindows(display).size() == open; }, kWaitMs, display);
    state.ResumeTiming();
  }
  master->Stop();
  RemoveSharedSegment(key);
}
BENCHMARK(BM_SecondStartToWindowMapped)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
