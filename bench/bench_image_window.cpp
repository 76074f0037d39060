// The image window's costs as a user pays them: colour reduction of
// photograph-like 1024 x 768 and 4096 x 2048 pictures to 256 colours, and
// scaling and showing an A4 fax page (1728 x 2292) to fit a 1280 x 1024
// image window on a private Xvfb (from the call to the pixels on the
// server, XSync to XSync), at depths 24 and 8.
#include <benchmark/benchmark.h>

#include <X11/Intrinsic.h>
#include <X11/Shell.h>
#include <Xm/BulletinB.h>
#include <Xm/Xm.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "image/ColourReduction.h"
#include "image/ImageObject.h"
#include "image/ImageStore.h"
#include "tests/support/XTestServer.h"
#include "xfront/XStuffImage.h"

namespace {

// Smooth shading with texture and noise: tens of thousands of colours.
std::vector<uint8_t> Photograph(unsigned int w, unsigned int h) {
  std::vector<uint8_t> p(static_cast<size_t>(w) * h * 3);
  uint32_t seed = 12345;
  for (unsigned int y = 0; y < h; ++y)
    for (unsigned int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      const int noise = static_cast<int>((seed >> 16) % 17) - 8;
      const double fx = double(x) / w, fy = double(y) / h;
      const int r = int(128 + 100 * std::sin(6.0 * fx + 2.0 * fy) + noise);
      const int g = int(128 + 90 * std::cos(4.0 * fy - 3.0 * fx * fy) + noise);
      const int b = int(110 + 80 * std::sin(9.0 * (fx + fy)) + 30 * std::cos(40.0 * fx) + noise);
      uint8_t* o = &p[(static_cast<size_t>(y) * w + x) * 3];
      o[0] = static_cast<uint8_t>(std::clamp(r, 0, 255));
      o[1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
      o[2] = static_cast<uint8_t>(std::clamp(b, 0, 255));
    }
  return p;
}

void ColourReduction(benchmark::State& state) {
  const unsigned int w = static_cast<unsigned int>(state.range(0)), h = static_cast<unsigned int>(state.range(1));
  const std::vector<uint8_t> picture = Photograph(w, h);
  std::vector<uint8_t> out(static_cast<size_t>(w) * h);
  uint8_t r[256], g[256], b[256];
  for (auto _ : state) {
    if (colour_reduction::Convert24to8Slow(picture.data(), w, h, 3 * w, out.data(), r, g, b, 256) != 0)
      state.SkipWithError("no work space");
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["Mpixels/s"] =
      benchmark::Counter(double(w) * h * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

ImageStore FaxPage() {
  const unsigned int w = 1728, h = 2292;
  ImageStore s;
  s.hasImage = true;
  s.description.type = kImageBilevel;
  s.description.bitsPerPixel = 1;
  s.description.width = w;
  s.description.height = h;
  s.description.bytesPerLine = w / 8;
  s.description.size = w / 8 * h;
  s.pixels.assign(s.description.size, 0);
  // Text-like rows of marks.
  for (unsigned int y = 100; y < h - 100; ++y)
    if ((y / 12) % 3 != 2)
      for (unsigned int x = 100; x < w - 100; ++x)
        if ((x * 7 + y * 3) % 11 < 4) s.pixels[y * (w / 8) + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return s;
}

// One private server, toolkit and image window per depth, kept until the
// program ends.
struct Window {
  qwtest::XTestServer server;
  XtAppContext app = nullptr;
  Display* display = nullptr;
  std::unique_ptr<XStuffImage> image;
  ImageWindowState state;
};

Window* WindowOfDepth(int depth) {
  static std::map<int, std::unique_ptr<Window>> windows;
  std::unique_ptr<Window>& w = windows[depth];
  if (w) return w->display ? w.get() : nullptr;
  w = std::make_unique<Window>();
  w->server.SetDepth(depth);
  if (!w->server.Start(1600, 1200)) return nullptr;
  XtToolkitInitialize();
  w->app = XtCreateApplicationContext();
  int argc = 0;
  w->display = XtOpenDisplay(w->app, w->server.DisplayName().c_str(), "qwbench", "QW5250", nullptr, 0, &argc, nullptr);
  if (!w->display) return nullptr;
  Widget shell = XtVaAppCreateShell("qwbench", "QW5250", applicationShellWidgetClass, w->display, nullptr);
  Widget board = XtVaCreateManagedWidget("board", xmBulletinBoardWidgetClass, shell, XmNwidth, 1300, XmNheight,
                                         1050, XmNmarginWidth, 0, XmNmarginHeight, 0, nullptr);
  w->image = std::make_unique<XStuffImage>(board);
  w->state.column = w->state.row = 1;
  w->state.columns = 128;  // 128 x 10 = 1280 pixels
  w->state.rows = 64;      // 64 x 16 = 1024 pixels
  w->state.scale = 0xFFFE;
  w->image->DrawingAreaInit(w->state, XStuffImage::Cells{0, 0, 10, 16});
  XtRealizeWidget(shell);
  XSync(w->display, False);
  while (XtAppPending(w->app)) XtAppProcessEvent(w->app, XtIMAll);
  return w.get();
}

void ScaleAndShowFaxPage(benchmark::State& state) {
  Window* w = WindowOfDepth(static_cast<int>(state.range(0)));
  if (!w) {
    state.SkipWithError("no X server");
    return;
  }
  const ImageStore page = FaxPage();
  for (auto _ : state) {
    XSync(w->display, False);
    w->image->DrawImage(page, w->state, false);
    XSync(w->display, False);
  }
  state.counters["scale%"] = w->image->scale();
  state.counters["viewW"] = w->image->viewWidth();
  state.counters["viewH"] = w->image->viewHeight();
}

}  // namespace

BENCHMARK(ColourReduction)->Args({1024, 768})->Args({4096, 2048})->Unit(benchmark::kMillisecond);
BENCHMARK(ScaleAndShowFaxPage)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
