// A full 27 x 132 repaint under a private Xvfb with alternating attributes
// in every cell (the worst case: one text call per cell) and with one
// attribute per row: time from XSync to XSync, and the text calls made.
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>

#include <cstdio>
#include <vector>

#include "tests/support/XTestServer.h"
#include "xfront/ScreenPainter.h"

namespace {

constexpr int kRows = 27, kColumns = 132, kCells = kRows * kColumns;

qwtest::XTestServer g_server;
Display* g_display = nullptr;

void Repaint(benchmark::State& state, bool alternating) {
  XFontStruct* font = XLoadQueryFont(g_display, "-*-lucidatypewriter-medium-r-normal-*-17-*-*-*-m-*-iso8859-1");
  if (!font) font = XLoadQueryFont(g_display, "fixed");
  if (!font) {
    state.SkipWithError("no font");
    return;
  }
  const int cw = font->max_bounds.width, ch = font->ascent + font->descent;
  const int screen = DefaultScreen(g_display);
  Window w = XCreateSimpleWindow(g_display, RootWindow(g_display, screen), 0, 0, kColumns * cw + 2, kRows * ch + 2,
                                 0, 0, BlackPixel(g_display, screen));
  XMapWindow(g_display, w);
  XSync(g_display, False);
  ScreenPixels px;
  px.foreground = px.green = px.defaultColor = 0x00FF00;
  px.white = px.defIntense = px.cursor = 0xFFFFCC;
  px.background = 0;
  std::vector<unsigned char> chars(kCells);
  std::vector<unsigned short> attrs(kCells);
  std::vector<unsigned short> flags(kCells, 0);
  for (int p = 0; p < kCells; ++p) {
    chars[p] = static_cast<unsigned char>('A' + p % 26);
    attrs[p] = alternating ? ((p & 1) ? 0x004C : 0x00CF) : 0x000C;
  }
  {
    ScreenPainter painter(g_display, w, font, px);
    painter.setScreen(chars.data(), attrs.data(), flags.data(), kColumns, kCells);
    unsigned long repaints = 0;
    for (auto _ : state) {
      XSync(g_display, False);
      for (int r = 0; r < kRows; ++r) painter.drawSpan(r * kColumns, (r + 1) * kColumns, -1);
      XSync(g_display, False);
      ++repaints;
    }
    state.counters["textCalls"] = static_cast<double>(painter.textCalls()) / static_cast<double>(repaints);
  }
  XDestroyWindow(g_display, w);
  XFreeFont(g_display, font);
  XSync(g_display, False);
}

void Alternating(benchmark::State& state) { Repaint(state, true); }
void OneAttributePerRow(benchmark::State& state) { Repaint(state, false); }

}  // namespace

BENCHMARK(Alternating)->Unit(benchmark::kMillisecond);
BENCHMARK(OneAttributePerRow)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (!g_server.Start()) {
    std::fprintf(stderr, "no X server: %s\n", g_server.Error().c_str());
    return 1;
  }
  g_display = g_server.Connect();
  if (!g_display) return 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  g_server.Stop();
  return 0;
}
