// The web palette on an 8-bit screen: any of the three preference keys makes
// Teldra install a colormap of its own that holds the 216 web colours; with
// none of them the server's default colormap stays installed.
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
};

class WebPaletteKeyTest : public WebPaletteTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WebPaletteKeyTest, EachKeyInstallsTheWebPalette) {
  StartTeldra(std::string(GetParam()) + " = true\n");
  const Colormap standard = DefaultColormap(display_, DefaultScreen(display_));
  Colormap ours = None;
  ASSERT_TRUE(qwtest::WaitUntil([&] {
    for (Colormap m : Installed())
      if (m != standard) ours = m;
    return ours != None;
  })) << teldra_.Output();
  EXPECT_EQ(WebColours(ours), 216);
}

INSTANTIATE_TEST_SUITE_P(Keys, WebPaletteKeyTest,
                         ::testing::Values("initialize_web_palette", "xserver-initialize-web-palette",
                                           "xserver-initialize-web-palette-colors"));

TEST_F(WebPaletteTest, WithoutTheKeysTheDefaultColormapStays) {
  StartTeldra("initialize_web_palette = false\n");
  const std::vector<Colormap> installed = Installed();
  ASSERT_EQ(installed.size(), 1u);
  EXPECT_EQ(installed[0], DefaultColormap(display_, DefaultScreen(display_)));
}

}  // namespace
