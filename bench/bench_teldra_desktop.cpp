// Teldra's desktop with 100 clients: how long the Alt+Tab switcher and the
// root menu take to show after the key or the press (XTEST on a real
// Xvfb), and tiling 100 windows into the work area (in-process, until the
// server has them all; goal: under a frame, 16 ms).
#include <benchmark/benchmark.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/sdk/SdkScreen.h"
#include "platform/sdk/SimpleWindow.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/XKeys.h"
#include "tests/support/XTestServer.h"
#include "tests/support/XWindows.h"
#include "wm/manager/Frame.h"
#include "wm/manager/Tiling.h"
#include "wm/session/ScreenState.h"
#include "wm/session/WindowManager.h"

namespace {

struct Desktop {
  qwtest::XTestServer server;
  qwtest::TempDir home;
  qwtest::ChildProcess teldra;
  Display* display = nullptr;

  bool Start(int clients) {
    if (!server.Start()) return false;
    display = server.Connect();
    if (!display) return false;
    // Popups go while they are looked at.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    home.WriteFile("registry/desktop/preferences",
                   "desktop_command = /bin/sh -c \"exec xmessage -name desktop -geometry +0+0 up\"\n");
    qwtest::ChildProcess::Options o;
    o.argv = {TELDRA_BINARY, "-display", server.DisplayName()};
    o.env = qwtest::ChildProcess::BaseEnvironment(
        {"HOME=" + home.Path(), "QX_REGISTRY_DIR=" + home.Path() + "/registry",
         "QX_SERVICE_DIR=" + home.Path() + "/services", "DISPLAY=" + server.DisplayName()});
    o.discardOutput = true;
    if (!teldra.Start(o)) return false;
    if (!qwtest::WaitUntil([&] { return qwtest::WindowManagerRunning(display); }, 20000)) return false;
    std::vector<Window> windows;
    for (int i = 0; i < clients; ++i) {
      Window w = XCreateSimpleWindow(display, DefaultRootWindow(display), 100 + i % 500, 100 + (i * 3) % 400,
                                     200, 60, 0, 0, 0xffffff);
      XStoreName(display, w, "flood");
      XMapWindow(display, w);
      windows.push_back(w);
    }
    XFlush(display);
    for (Window w : windows)
      qwtest::WaitUntil([&] {
        XWindowAttributes a;
        return XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable;
      }, 60000);
    return true;
  }
  // An override-redirect window of Teldra's is shown (named or not).
  bool PopupShown(const char* name) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    bool found = false;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &n)) return false;
    for (unsigned int i = n; i-- > 0 && !found;) {
      XWindowAttributes a;
      if (!XGetWindowAttributes(display, children[i], &a) || a.map_state != IsViewable) continue;
      char* wmName = nullptr;
      XFetchName(display, children[i], &wmName);
      found = name ? wmName && !std::strcmp(wmName, name) : a.override_redirect && !wmName;
      if (wmName) XFree(wmName);
    }
    if (children) XFree(children);
    return found;
  }
};

void BM_SwitcherPopup(benchmark::State& state) {
  Desktop desk;
  if (!desk.Start(static_cast<int>(state.range(0)))) {
    state.SkipWithError("no Xvfb or Teldra");
    return;
  }
  Display* d = desk.display;
  for (auto _ : state) {
    qwtest::KeyDown(d, XK_Alt_L);
    qwtest::PressKey(d, XK_Tab);
    while (!desk.PopupShown("teldra switcher")) {
    }
    state.PauseTiming();
    qwtest::KeyUp(d, XK_Alt_L);
    qwtest::WaitUntil([&] { return !desk.PopupShown("teldra switcher"); }, 10000);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_SwitcherPopup)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

void BM_RootMenuPopup(benchmark::State& state) {
  Desktop desk;
  if (!desk.Start(static_cast<int>(state.range(0)))) {
    state.SkipWithError("no Xvfb or Teldra");
    return;
  }
  Display* d = desk.display;
  XTestFakeMotionEvent(d, -1, 1000, 740, CurrentTime);
  XSync(d, False);
  for (auto _ : state) {
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XFlush(d);
    while (!desk.PopupShown(nullptr)) {
    }
    state.PauseTiming();
    qwtest::PressKey(d, XK_Escape);
    qwtest::WaitUntil([&] { return !desk.PopupShown(nullptr); }, 10000);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RootMenuPopup)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

// Tiling and cascading 100 frames in turn, each until the server is done.
void BM_Tile100(benchmark::State& state) {
  qwtest::XTestServer server;
  static ScreenState s;
  std::memset(static_cast<void*>(&s), 0, sizeof s);
  if (!server.Start() || InitScreenInfo(&s.sdk, "bench", 1, 0, nullptr, server.DisplayName().c_str()) != 0) {
    state.SkipWithError("no Xvfb");
    return;
  }
  InternWindowManagerAtoms(s.sdk.display, &s);
  s.workArea[2] = s.sdk.width;
  s.workArea[3] = s.sdk.height;
  for (int i = 0; i < 100; ++i) {
    ManagedWindow* m = CreateFrame(&s, 10, 10, 210, 110, "t", "t", 0, 0, 1, 1, 1, 0);
    MapSimpleWindow(m->frame);
  }
  XSync(s.sdk.display, False);
  int i = 0;
  for (auto _ : state) {
    if (i++ % 2)
      TileWindowsHorizontally(&s);
    else
      CascadeWindows(&s);
    XSync(s.sdk.display, False);
  }
  while (s.managedWindows) DestroyFrame(s.managedWindows);
  CloseScreenInfo(&s.sdk);
}
BENCHMARK(BM_Tile100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(40);

}  // namespace

BENCHMARK_MAIN();
