#include <gtest/gtest.h>

#include <string>

#include "platform/sdk/PixmapCache.h"
#include "platform/sdk/SdkScreen.h"
#include "tests/support/XTestServer.h"

namespace {

const char* kTwoByTwo =
    "/* XPM */\nstatic char *x[] = {\n\"2 2 2 1\",\n\"a c #ff0000\",\n\"b c None\",\n\"ab\",\n\"ba\"};\n";

// The values line is the one libXpm reads: a quoted size inside a comment
// does not stand in for it.
TEST(PixmapCacheTest, TheValuesLineIsFoundPastComments) {
  struct {
    const char* text;
    bool found;
    int width;
  } cases[] = {
      {"static char *x[] = {\"3 4 1 1\"};", true, 3},
      {"static char *x[] = {/* \"1 1 1 1\" */\"60000 60000 1 1\"};", true, 60000},
      {"static char *x[] = {/* \"1 1 1 1\" */ /* more */\n\"5 5 1 1\"};", true, 5},
      {"static char *x[] = {/* \"1 1 1 1\" never closed", false, 0},
      {"\"1 1 1 1\" no brace", false, 0},
  };
  for (const auto& c : cases) {
    int w = 0, h, colors, cpp;
    EXPECT_EQ(XpmValues(c.text, &w, &h, &colors, &cpp), c.found) << c.text;
    if (c.found) EXPECT_EQ(w, c.width) << c.text;
  }
}

TEST(PixmapCacheTest, NamedImagesBecomePixmapsAndOversizedOnesAreRefused) {
  qwtest::XTestServer server;
  ASSERT_TRUE(server.Start()) << server.Error();
  SdkScreen screen;
  ASSERT_EQ(InitScreenInfo(&screen, "test", 1, 0, nullptr, server.DisplayName().c_str()), 0);
  DesktopPixmapCache* cache = CreateDesktopPixmapCache(screen.display, screen.root);
  ASSERT_EQ(AddPixmap(cache, "toolbar", kTwoByTwo), 0);
  Pixmap mask = None;
  Pixmap pm = FindPixmap(cache, "toolbar", &mask);
  ASSERT_NE(pm, None);
  EXPECT_NE(mask, None) << "None colours make a mask";
  ::Window root;
  int x, y;
  unsigned int w, h, bw, depth;
  ASSERT_TRUE(XGetGeometry(screen.display, pm, &root, &x, &y, &w, &h, &bw, &depth));
  EXPECT_EQ(w, 2u);
  EXPECT_EQ(h, 2u);
  EXPECT_EQ(FindPixmap(cache, "missing", nullptr), None);

  const std::string huge = "/* XPM */\nstatic char *x[] = {\n\"60000 60000 1 1\",\n\"a c #000000\"};\n";
  const std::string manyColours = "static char *x[] = {\"2 2 99999 1\"};";
  const std::string wideCpp = "static char *x[] = {\"2 2 1 9\"};";
  const std::string hidden = "/* XPM */\nstatic char *x[] = {\n/* \"1 1 1 1\" */\n\"60000 60000 1 1\",\n\"a c #000\"};\n";
  for (const std::string* bad : {&huge, &manyColours, &wideCpp, &hidden})
    EXPECT_EQ(AddPixmap(cache, "bad", bad->c_str()), -1) << *bad;
  EXPECT_EQ(AddPixmap(cache, "bad", "not an image"), -1);
  EXPECT_EQ(AddPixmap(cache, "bad", nullptr), -1);
  EXPECT_EQ(AddPixmap(cache, "bad", "/* XPM */ static char *x[] = {\"2 2 1 1\", \"a c #000\", \"a\"};"), -1)
      << "rows missing";

  KeepPixmap(cache, "toolbar");
  FreeDesktopPixmapCache(cache);
  XSync(screen.display, False);
  EXPECT_TRUE(XGetGeometry(screen.display, pm, &root, &x, &y, &w, &h, &bw, &depth)) << "kept";
  CloseScreenInfo(&screen);
}

}  // namespace
