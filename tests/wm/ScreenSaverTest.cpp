// The screen saver under Xvfb: "xset s activate" brings Teldra's saver
// window up inside the server's saver window with the chosen style, "xset
// s reset" ends it; the lock window animates the sphere as well.

#include "tests/wm/TeldraFixture.h"

namespace {

using teldratest::Attributes;
using teldratest::ChildrenOf;

class ScreenSaverTest : public teldratest::TeldraFixture {
 protected:
  void StartWithStyle(const std::string& config) {
    home_.WriteFile("registry/config", config);
    StartTeldra();
  }
  bool SaverViewable(bool wanted) {
    return qwtest::WaitUntil([&] {
      bool viewable = false;
      for (Window w : qwtest::FindWindowsByName(display_, "screen saver"))
        if (Attributes(display_, w).map_state == IsViewable) viewable = true;
      return viewable == wanted;
    }, 20000);
  }
  // Pixels of the screen (rows above `bottom`) that are not black.
  long LitPixels(int bottom) {
    XImage* img = XGetImage(display_, root_, 0, 0, DisplayWidth(display_, 0), bottom, AllPlanes, ZPixmap);
    if (!img) return -1;
    long n = 0;
    for (int y = 0; y < img->height; ++y)
      for (int x = 0; x < img->width; ++x)
        if (XGetPixel(img, x, y) & 0xffffff) ++n;
    XDestroyImage(img);
    return n;
  }
  void Xset(const std::string& what) { Tool({"xset", "s", what}); }
  void CheckStyle(const char* style, bool bitmapFile, bool lit);
};

TEST_F(ScreenSaverTest, ActivateShowsTheSphereAndResetEndsIt) {
  StartWithStyle("");
  Xset("activate");
  ASSERT_TRUE(SaverViewable(true)) << teldra_.Output();
  // The sphere: shaded pixels where everything else is black.
  EXPECT_TRUE(qwtest::WaitUntil([&] { return LitPixels(DisplayHeight(display_, 0)) > 2000; })) << teldra_.Output();
  // Xvfb blanks without a saver window of its own when exposures are not
  // allowed: Teldra's window stands on the root, above everything.
  Window saver = qwtest::FindWindowsByName(display_, "screen saver").front();
  EXPECT_EQ(ChildrenOf(display_, teldratest::ParentOf(display_, saver)).back(), saver);
  Xset("reset");
  ASSERT_TRUE(SaverViewable(false)) << teldra_.Output();
  // And once more: the window that went with the server's is made again.
  Xset("activate");
  ASSERT_TRUE(SaverViewable(true)) << teldra_.Output();
  Xset("reset");
  ASSERT_TRUE(SaverViewable(false)) << teldra_.Output();
  EXPECT_TRUE(teldra_.Running());
}

// "blank" and "bitmap" without a readable file show the black background
// only; "bitmap" with one stipples it on the screen.
void ScreenSaverTest::CheckStyle(const char* style, bool bitmapFile, bool lit) {
  std::string bits;
  for (int i = 0; i < 32; ++i) bits += "0xff,";
  const std::string xbm =
      home_.WriteFile("saver.xbm", "#define s_width 16\n#define s_height 16\nstatic unsigned char s_bits[] = {\n" +
                                       bits + "};\n");
  StartWithStyle("pref-screensaver-style = " + std::string(style) + "\n" +
                 "pref-screensaver-bitmap-file = " + (bitmapFile ? xbm : home_.Path() + "/missing.xbm") + "\n");
  Xset("activate");
  ASSERT_TRUE(SaverViewable(true)) << teldra_.Output();
  if (lit) {
    EXPECT_TRUE(qwtest::WaitUntil([&] { return LitPixels(DisplayHeight(display_, 0)) >= 256; }));
  } else {
    qwtest::XBarrier(display_);
    EXPECT_EQ(LitPixels(DisplayHeight(display_, 0)), 0);
  }
  Xset("reset");
  ASSERT_TRUE(SaverViewable(false)) << teldra_.Output();
}

TEST_F(ScreenSaverTest, BlankStyle) { CheckStyle("blank", false, false); }
TEST_F(ScreenSaverTest, BitmapStyleWithoutAFile) { CheckStyle("bitmap", false, false); }
TEST_F(ScreenSaverTest, BitmapStyle) { CheckStyle("bitmap", true, true); }

TEST_F(ScreenSaverTest, TheLockWindowShowsTheSphere) {
  StartWithStyle("pref-screensaver-style = blank\n");
  XEvent ev = {};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = root_;
  ev.xclient.message_type = XInternAtom(display_, "_QX_LOCK_SCREEN", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = 1;
  XSendEvent(display_, root_, False, SubstructureRedirectMask, &ev);
  XFlush(display_);
  ASSERT_TRUE(qwtest::WaitUntil([&] {
    for (Window w : qwtest::FindWindowsByName(display_, "screen lock"))
      if (Attributes(display_, w).map_state == IsViewable) return true;
    return false;
  })) << teldra_.Output();
  // Above the lock message line: the sphere alone.
  EXPECT_TRUE(qwtest::WaitUntil([&] { return LitPixels(DisplayHeight(display_, 0) - 60) > 2000; }));
}

}  // namespace
