// The web palette on an 8-bit screen: any of the three preference keys makes
// Teldra take the 216 web colours in the screen's colormap and install a
// colormap of its own that shows them and every other colour alike; with
// none of them the server's default colormap stays installed.
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tests/wm/TeldraFixture.h"

namespace {

class WebPaletteTest : public teldratest::TeldraFixture {
 protected:
  void SetUp() override {
    server_.SetDepth(8);
    TeldraFixture::SetUp();
  }
  std::vector<Colormap> Installed() {
    int n = 0;
    Colormap* maps = XListInstalledColormaps(display_, root_, &n);
    std::vector<Colormap> out(maps, maps + n);
    if (maps) XFree(maps);
    return out;
  }
  // The web colours that the colormap holds.
  int WebColours(Colormap map) {
    std::vector<XColor> cells(256);
    for (size_t i = 0; i < cells.size(); ++i) cells[i].pixel = i;
    XQueryColors(display_, map, cells.data(), static_cast<int>(cells.size()));
    std::set<std::tuple<int, int, int>> found;
    for (const XColor& c : cells)
      if (c.red % (51 * 257) == 0 && c.green % (51 * 257) == 0 && c.blue % (51 * 257) == 0)
        found.insert({c.red, c.green, c.blue});
    return static_cast<int>(found.size());
  }
  Colormap Ours();
  // The colours a window shows through the installed colormap, by count.
  std::map<std::tuple<int, int, int>, int> Shown(Window w, Colormap installed) {
    std::map<std::tuple<int, int, int>, int> out;
    const XWindowAttributes a = teldratest::Attributes(display_, w);
    if (a.map_state != IsViewable) return out;
    XImage* img = XGetImage(display_, w, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
                            AllPlanes, ZPixmap);
    if (!img) return out;
    std::map<unsigned long, int> pixels;
    for (int y = 0; y < a.height; ++y)
      for (int x = 0; x < a.width; ++x) ++pixels[XGetPixel(img, x, y)];
    XDestroyImage(img);
    for (const auto& [pixel, count] : pixels) {
      XColor c = {};
      c.pixel = pixel;
      XQueryColor(display_, installed, &c);
      out[{c.red >> 8, c.green >> 8, c.blue >> 8}] += count;
    }
    return out;
  }
};

// The colormap of Teldra's own once it is installed.
Colormap WebPaletteTest::Ours() {
  const Colormap standard = DefaultColormap(display_, DefaultScreen(display_));
  Colormap ours = None;
  qwtest::WaitUntil([&] {
    for (Colormap m : Installed())
      if (m != standard) ours = m;
    return ours != None;
  });
  return ours;
}

class WebPaletteKeyTest : public WebPaletteTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WebPaletteKeyTest, EachKeyInstallsTheWebPalette) {
  StartTeldra(std::string(GetParam()) + " = true\n");
  const Colormap ours = Ours();
  ASSERT_NE(ours, None) << teldra_.Output();
  // As many as the screen's colormap has room for (Xvfb keeps 73 of its 256
  // cells), and the same in both.
  const Colormap standard = DefaultColormap(display_, DefaultScreen(display_));
  EXPECT_GE(WebColours(ours), 180);
  EXPECT_EQ(WebColours(ours), WebColours(standard));
}

INSTANTIATE_TEST_SUITE_P(Keys, WebPaletteKeyTest,
                         ::testing::Values("initialize_web_palette", "xserver-initialize-web-palette",
                                           "xserver-initialize-web-palette-colors"));

TEST_F(WebPaletteTest, WithoutTheKeysTheDefaultColormapStays) {
  StartTeldra("initialize_web_palette = false\n");
  const std::vector<Colormap> installed = Installed();
  ASSERT_EQ(installed.size(), 1u);
  EXPECT_EQ(installed[0], DefaultColormap(display_, DefaultScreen(display_)));
  EXPECT_LT(WebColours(installed[0]), 100) << "no palette taken";
}

}  // namespace

namespace {

// The web palette is shared cells of the screen's colormap: a client that
// asks for a web colour gets one of them, and the clients on that colormap
// and Teldra's own frames keep their colours (white stays white) while
// Teldra's colormap is installed.
TEST_F(WebPaletteTest, ClientsKeepTheirColoursUnderThePalette) {
  StartTeldra("initialize_web_palette = true\n");
  const Colormap ours = Ours();
  ASSERT_NE(ours, None) << teldra_.Output();
  Run({"xmessage", "-name", "tinted", "-bg", "#336699", "-fg", "white", "-xrm", "*borderWidth: 0",
       "tinted tinted tinted"});
  const Window tinted = WaitForClass("tinted");
  ASSERT_NE(tinted, None);
  ASSERT_NE(WaitForFrame(tinted), None);
  const XWindowAttributes a = teldratest::Attributes(display_, tinted);
  std::map<std::tuple<int, int, int>, int> shown;
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    shown = Shown(tinted, ours);
    return shown[{0x33, 0x66, 0x99}] > a.width * a.height / 2 && shown[{0xff, 0xff, 0xff}] > 0;
  })) << "#336699 pixels " << shown[{0x33, 0x66, 0x99}] << " white " << shown[{0xff, 0xff, 0xff}];
  // Every cell of the screen's colormap shows the same colour in Teldra's.
  const Colormap standard = DefaultColormap(display_, DefaultScreen(display_));
  std::vector<XColor> screen(256), teldra(256);
  for (size_t i = 0; i < 256; ++i) screen[i].pixel = teldra[i].pixel = i;
  XQueryColors(display_, standard, screen.data(), 256);
  XQueryColors(display_, ours, teldra.data(), 256);
  for (size_t i = 0; i < 256; ++i)
    EXPECT_EQ(std::make_tuple(screen[i].red, screen[i].green, screen[i].blue),
              std::make_tuple(teldra[i].red, teldra[i].green, teldra[i].blue))
        << "pixel " << i;
}

}  // namespace
