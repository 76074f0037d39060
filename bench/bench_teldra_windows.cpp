// Teldra under many clients: the latency from a client's map request to its
// window shown in a frame, and the cost of raising a window to the top of
// the stacking order, with 0 and 500 other managed windows. The clients are
// plain windows made by the benchmark itself, spread over a few connections
// as a flood of small programs would be.
#include <benchmark/benchmark.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <map>
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
  // Two of the benchmark's windows at least: the lowest of them is never the top.
  auto windows = desk.Flood(static_cast<int>(state.range(0)) + 2);
  Display* d = desk.display;
  Window root = DefaultRootWindow(d);
  XSelectInput(d, root, SubstructureNotifyMask);
  XSync(d, False);
  std::map<Window, size_t> byFrame;
  std::vector<Window> frames;
  for (size_t i = 0; i < windows.size(); ++i) {
    frames.push_back(desk.FrameOf(windows[i].first, windows[i].second));
    byFrame[frames.back()] = i;
  }
  for (auto _ : state) {
    state.PauseTiming();
    // The lowest of the windows is raised.
    Window r = 0, p = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    XQueryTree(d, root, &r, &p, &children, &n);
    size_t lowest = 0;
    for (unsigned int i = 0; i < n; ++i)
      if (byFrame.count(children[i])) {
        lowest = byFrame[children[i]];
        break;
      }
    if (children) XFree(children);
    while (XPending(d)) {
      XEvent stale;
      XNextEvent(d, &stale);
    }
    state.ResumeTiming();
    Display* owner = windows[lowest].first;
    const Window w = windows[lowest].second;
    const Window frame = frames[lowest];
    XRaiseWindow(owner, w);
    XFlush(owner);
    // Each restack of the frame is a ConfigureNotify on the root; the
    // stacking order is read once per such event, not polled.
    for (bool top = false; !top;) {
      XEvent ev;
      XWindowEvent(d, root, SubstructureNotifyMask, &ev);
      if (ev.type != ConfigureNotify || ev.xconfigure.window != frame) continue;
      Window r2 = 0, p2 = 0;
      Window* order = nullptr;
      unsigned int count = 0;
      XQueryTree(d, root, &r2, &p2, &order, &count);
      top = count && order[count - 1] == frame;
      if (order) XFree(order);
    }
  }
}
BENCHMARK(BM_RaiseToTop)->Arg(0)->Arg(500)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
