// The session window of a 27 x 132 screen on a private Xvfb: changing its
// font and repainting it, repainting it alone, and a user's resize (the
// font fitted, the window settled), each from XSync to XSync.
#include "tests/support/SessionToolkit.h"  // gtest before Xlib

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "session/AppResources.h"
#include "session/StartOptions.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

namespace {

using namespace qwtest::session_toolkit;

SessionControlBlock* g_session = nullptr;

Display* ToolkitDisplay() { return XtDisplay(g_session->xstuff.shell()); }

void Settle() {
  XSync(ToolkitDisplay(), False);
  RunUntil([] { return g_session->xstuff.privatePart()->finishResizeTimer == 0; }, 2000);
  Pump(1);
}

// Fills the screen with text of alternating colours (one text run per cell).
void FillScreen() {
  XStuff& x = g_session->xstuff;
  const int cells = x.rows() * x.columns();
  std::vector<unsigned char> chars(cells);
  std::vector<unsigned short> attrs(cells);
  for (int p = 0; p < cells; ++p) {
    chars[p] = static_cast<unsigned char>(0xC1 + p % 9);
    attrs[p] = (p & 1) ? 0x004C : 0x00CF;
  }
  x.x_write(0, chars.data(), attrs.data(), cells, 1);
}

// Two fonts that both show the whole 27 x 132 screen.
std::vector<int> WideFonts() {
  XStuff& x = g_session->xstuff;
  std::vector<int> fonts;
  const XStuff::Private& p = *x.privatePart();
  for (int e = p.family->count - 1; e >= 0 && fonts.size() < 2; --e)
    if (p.fontChoice.usable[e]) fonts.push_back(e);
  return fonts;
}

void FontChangeAndRepaint(benchmark::State& state) {
  XStuff& x = g_session->xstuff;
  const std::vector<int> fonts = WideFonts();
  if (fonts.size() < 2) {
    state.SkipWithError("fewer than two fonts");
    return;
  }
  size_t next = 0;
  for (auto _ : state) {
    x.selectNewFont(fonts[next], false);
    x.Flush_X5250(0, x.rows() * x.columns() - 1, 0, 0);
    XSync(ToolkitDisplay(), False);
    next ^= 1;
  }
  state.counters["cells"] = x.rows() * x.columns();
  Settle();
}

void Repaint(benchmark::State& state) {
  XStuff& x = g_session->xstuff;
  for (auto _ : state) {
    x.Flush_X5250(0, x.rows() * x.columns() - 1, 0, 0);
    XSync(ToolkitDisplay(), False);
  }
}

void UserResize(benchmark::State& state) {
  XStuff& x = g_session->xstuff;
  Window shell = XtWindow(x.shell());
  Dimension width = 0, height = 0;
  XtVaGetValues(x.shell(), XtNwidth, &width, XtNheight, &height, nullptr);
  bool smaller = true;
  for (auto _ : state) {
    const int w = smaller ? width * 3 / 4 : width, h = smaller ? height * 3 / 4 : height;
    XResizeWindow(ToolkitDisplay(), shell, w, h);
    XSync(ToolkitDisplay(), False);
    RunUntil([&] {
      Dimension now = 0;
      XtVaGetValues(x.shell(), XtNwidth, &now, nullptr);
      return now != width || !smaller;
    }, 2000);
    Settle();
    smaller = !smaller;
  }
}

}  // namespace

BENCHMARK(FontChangeAndRepaint)->Unit(benchmark::kMillisecond);
BENCHMARK(Repaint)->Unit(benchmark::kMillisecond);
BENCHMARK(UserResize)->Unit(benchmark::kMillisecond)->Iterations(20);

int main(int argc, char** argv) {
  std::string error;
  if (!StartToolkit(0, &error, "C", 1920, 1200)) {
    std::fprintf(stderr, "no toolkit: %s\n", error.c_str());
    return 1;
  }
  AppResources().RESIZE_TUNING = 0;
  SessionStartOptions o;
  o.hostName = "127.0.0.1";
  o.port = 1;
  createSessionUnderThisProcess(o, nullptr, nullptr);
  g_session = NewestSession();
  if (!g_session) return 1;
  RunUntil([] { return XtIsRealized(g_session->xstuff.shell()); });
  g_session->xstuff.setMiscWindowValues(g_session->xstuff.ruleLineMode(), 0, 1, false);
  g_session->xstuff.x_set_rows_columns(27, 132);
  Settle();
  FillScreen();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
