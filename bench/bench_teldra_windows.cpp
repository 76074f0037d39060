// Teldra under many clients: the latency from a client's map request to its
// window shown in a frame, and the cost of raising a window to the top of
// the stacking order, with 0 and 500 other managed windows. The clients are
// plain windows made by the benchmark itself, spread over a few connections
// as a flood of small programs would be.
#include <benchmark/benchmark.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/XTestServer.h"
#include "tests/support/XWindows.h"

namespace {

struct Desktop {
  qwtest::XTestServer server;
  qwtest::TempDir home;
  qwtest::ChildProcess teldra;
  Display* display = nullptr;
  std::vector<Display*> clients;  // connections of the flood

  bool Start() {
    if (!server.Start()) return false;
    display = server.Connect();
    if (!display) return false;
    home.WriteFile("registry/desktop/preferences", "desktop_command = /bin/sh -c \"exec xmessage -name desktop up\"\n");
    qwtest::ChildProcess::Options o;
    o.argv = {TELDRA_BINARY, "-display", server.DisplayName()};
    o.env = qwtest::ChildProcess::BaseEnvironment(
        {"HOME=" + home.Path(), "QX_REGISTRY_DIR=" + home.Path() + "/registry",
         "QX_SERVICE_DIR=" + home.Path() + "/services", "DISPLAY=" + server.DisplayName()});
    o.discardOutput = true;
    if (!teldra.Start(o)) return false;
    if (!qwtest::WaitUntil([&] { return qwtest::WindowManagerRunning(display); }, 20000)) return false;
    for (int i = 0; i < 10; ++i) clients.push_back(server.Connect());
    return true;
  }
  // A small client window like xmessage's, mapped.
  Window Map(Display* d, int i) {
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 20 + i % 700, 20 + (i * 7) % 500, 200, 60, 1, 0,
                                   0xffffff);
    XClassHint hint;
    hint.res_name = const_cast<char*>("flood");
    hint.res_class = const_cast<char*>("Flood");
    XSetClassHint(d, w, &hint);
    XStoreName(d, w, "flood");
    XMapWindow(d, w);
    XFlush(d);
    return w;
  }
  bool Viewable(Display* d, Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
  }
  Window FrameOf(Display* d, Window w) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &n)) return 0;
    if (children) XFree(children);
    return parent;
  }
  // Maps `count` windows over the flood's connections and waits until all
  // are framed and shown.
  std::vector<std::pair<Display*, Window>> Flood(int count) {
    std::vector<std::pair<Display*, Window>> out;
    for (int i = 0; i < count; ++i) {
      Display* d = clients[static_cast<size_t>(i) % clients.size()];
      out.emplace_back(d, Map(d, i));
    }
    for (const auto& client : out) {
      Display* d = client.first;
      const Window w = client.second;
      qwtest::WaitUntil([&] { return Viewable(d, w) && FrameOf(d, w) != DefaultRootWindow(d); }, 60000);
    }
    return out;
  }
};

void BM_MapToFramed(benchmark::State& state) {
  Desktop desk;
  if (!desk.Start()) {
    state.SkipWithError("no Xvfb or Teldra");
    return;
  }
  desk.Flood(static_cast<int>(state.range(0)));
  Display* d = desk.display;
  int i = 0;
  for (auto _ : state) {
    Window w = desk.Map(d, i++);
    while (!desk.Viewable(d, w) || desk.FrameOf(d, w) == DefaultRootWindow(d)) {
    }
    state.PauseTiming();
    XDestroyWindow(d, w);
    XSync(d, False);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_MapToFramed)->Arg(0)->Arg(500)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);

// The bottom window asks to be raised (a ConfigureRequest with stack mode
// Above); timed until its frame is the top child of the root.
void BM_RaiseToTop(benchmark::State& state) {
  Desktop desk;
  if (!desk.Start()) {
    state.SkipWithError("no Xvfb or Teldra");
    return;
  }
  auto windows = desk.Flood(static_cast<int>(state.range(0)) + 1);
  Display* d = desk.display;
  Window root = DefaultRootWindow(d);
  size_t next = 0;
  for (auto _ : state) {
    Display* owner = windows[next % windows.size()].first;
    const Window w = windows[next++ % windows.size()].second;
    const Window frame = desk.FrameOf(owner, w);
    XRaiseWindow(owner, w);
    XFlush(owner);
    for (;;) {
      Window r = 0, p = 0;
      Window* children = nullptr;
      unsigned int n = 0;
      XQueryTree(d, root, &r, &p, &children, &n);
      const bool top = n && children[n - 1] == frame;
      if (children) XFree(children);
      if (top) break;
    }
  }
}
BENCHMARK(BM_RaiseToTop)->Arg(0)->Arg(500)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
