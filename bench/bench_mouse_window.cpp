// The pointer moving over a real session window under a private Xvfb while
// the operator marks an area on a 27 x 132 screen of 256 input fields from
// the loopback host: motion events sent through XTEST, each to another
// cell, and the time until the session has taken the last one (the marking
// follows the pointer). The events a second the window takes, against the
// 1,000 a second a fast mouse makes.
#include "tests/support/SessionToolkit.h"  // first: gtest before Xlib
#include <benchmark/benchmark.h>

#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/WindowSession.h"
#include "display/DisplayBag.h"
#include "xfront/XStuff.h"

namespace {

using namespace qwtest::session_toolkit;
using Bytes = std::vector<uint8_t>;

constexpr int kColumns = 132;
constexpr int kMotions = 1000;

qwtest::TestHost5250* g_host = nullptr;
SessionControlBlock* g_block = nullptr;
std::string g_error;

// 256 input fields of 8 positions, 13 positions apart, on a 27 x 132 screen
// (Write to Display 27 x 132 after a clear unit to that size), then a read.
Bytes Screen() {
  Bytes d = {0x04, 0x20, 0x00, 0x04, 0x11, 0x00, 0x08};
  for (int i = 0; i < 256; ++i) {
    const int attribute = i * 13;  // the field starts one position later
    d.insert(d.end(), {0x11, uint8_t(attribute / kColumns + 1), uint8_t(attribute % kColumns + 1), 0x1D, 0x40, 0x00,
                       0x20, 0x00, 0x08});
  }
  d.insert(d.end(), {0x04, 0x52, 0x00, 0x08});
  const size_t n = d.size() + 10;
  Bytes r = {uint8_t(n >> 8), uint8_t(n), 0x12, 0xA0, 0, 0, 0x04, 0, 0x40, 0x03};
  r.insert(r.end(), d.begin(), d.end());
  return r;
}

bool Setup() {
  if (!StartToolkit(0, &g_error, "C", 1600, 1200)) return false;  // room for 132 columns
  if (!OpenWindowSession("QW5250 mouse", &g_host, &g_block, &g_error)) return false;
  g_host->SendRecord(Screen());
  if (!g_host->Barrier(kWaitMs, [] { Pump(); }) ||
      !RunUntil([] { return g_block->display->formatTable().fieldCount() == 256; })) {
    g_error = "the screen did not arrive";
    return false;
  }
  StationOptions& options = g_block->display->options();
  options.set(StationOptions::kCopyPaste, true);
  options.set(StationOptions::kLeftDragMarking, true);
  return true;
}

void RootOf(int cell, int* rx, int* ry) {
  XStuff& x = g_block->xstuff;
  Display* dpy = XtDisplay(x.x_get_text_widget());
  const int cx = x.originX() + (cell % kColumns) * x.cellWidth() + x.cellWidth() / 2;
  const int cy = x.originY() + (cell / kColumns) * x.cellHeight() + x.cellHeight() / 2;
  Window child = 0;
  XTranslateCoordinates(dpy, XtWindow(x.x_get_text_widget()), DefaultRootWindow(dpy), cx, cy, rx, ry, &child);
}

void BM_MotionThroughTheWindow(benchmark::State& state) {
  if (!g_block) {
    state.SkipWithError(g_error.c_str());
    return;
  }
  Display* dpy = XtDisplay(g_block->xstuff.x_get_text_widget());
  KeyboardState& k = g_block->display->keyboardState();
  double worst = 0;
  for (auto _ : state) {
    state.PauseTiming();
    // The press that starts a marking, taken before the clock runs; the
    // first move comes after the click's quiet time.
    int x = 0, y = 0;
    RootOf(2 * kColumns + 3, &x, &y);
    XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
    XSync(dpy, False);
    RunUntil([&] { return k.state() == KeyboardState::kCopy && XPending(dpy) == 0; });
    std::vector<int> cells(kMotions);
    // Each move to another cell, in the left 80 columns (a window that
    // shows 132 columns in part scrolls the rest into view).
    for (int i = 0; i < kMotions; ++i) cells[i] = (3 + i % 20) * kColumns + (i * 7) % 80;
    RootOf(cells[0], &x, &y);
    XTestFakeMotionEvent(dpy, -1, x, y, 300);
    XSync(dpy, False);
    RunUntil([&] { return k.copyPoint() == unsigned(cells[0]); });
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 1; i < kMotions; ++i) {
      RootOf(cells[i], &x, &y);
      XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
    }
    XFlush(dpy);
    RunUntil([&] { return k.copyPoint() == unsigned(cells[kMotions - 1]) && XPending(dpy) == 0; });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds > worst) worst = seconds;
    state.PauseTiming();
    XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
    XSync(dpy, False);
    RunUntil([&] { return k.state() != KeyboardState::kCopy && XPending(dpy) == 0; });
    // The next press must not make a double click with this one.
    Pump(300);
    if (k.state() == KeyboardState::kPostCopy) k.exitPostCopyState();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * (kMotions - 1));  // motion events
  state.counters["worst_ms_per_1000"] = worst * 1000.0 * 1000.0 / (kMotions - 1);
}
BENCHMARK(BM_MotionThroughTheWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  if (!Setup()) std::fprintf(stderr, "bench_mouse_window: %s\n", g_error.c_str());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
