// A hot spot clicked on a session window of the demo host, as a user meets
// it: signed on through typed keys, "F3=Sign off" clicked once through XTEST.
// The click flashes the hot spot (when hot spots are highlighted) and the
// next screen leaves nothing of it: not on the sign-on screen, not after an
// expose, and not on the main menu of the next sign-on. The host is held
// (SIGSTOP) while the flash is looked at, so that its answer cannot hide it.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <Xm/Xm.h>
#include <signal.h>

#include <string>

#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"
#include "session/ResourceKeywords.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/XKeys.h"
#include "tests/xpaint/PaintSession.h"
#include "xfront/Win3270.h"
#include "xfront/XStuff.h"

namespace {

using namespace paint_test;

struct Case {
  int depth;
  bool highlighted;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.depth << " bits, hot spots " << (c.highlighted ? "highlighted" : "plain");
}

class HotSpotOnDemoHost : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    if (!Toolkit(GetParam().depth, qwtest::SuiteLocale())) GTEST_SKIP() << ToolkitText();
    saved_ = AppResources();
    restore_ = true;
    AppResources().MAX_SESSIONS = 99;
    AppResources().HOTSPOTS = 1;  // "SINGLE_CLICK"
    AppResources().HOTSPOT_HIGHLIGHTING = GetParam().highlighted ? QwEnable : QwDisable;
    ASSERT_TRUE(host_.Start({QW_DEMOHOST_BINARY, "0"}, qwtest::ChildProcess::BaseEnvironment())) << host_.Error();
    ASSERT_TRUE(host_.WaitForOutput("\n", kWaitMs)) << host_.Output();
    ASSERT_EQ(host_.Stdout().rfind("port ", 0), 0u) << host_.Stdout();
    block_ = NewSession(std::stoi(host_.Stdout().substr(5)));
    ASSERT_NE(block_, nullptr);
    XStuff& x = block_->xstuff;
    drawing_ = x.x_get_text_widget();
    ASSERT_TRUE(RunUntil([&] { return x.mapped() && XtIsRealized(drawing_); }));
    XSetInputFocus(ToolkitDisplay(), XtWindow(drawing_), RevertToParent, CurrentTime);
    ASSERT_TRUE(RunUntil([&] { return x.hasFocus(); }));
    XtVaGetValues(drawing_, XmNbackground, &background_, QwNextBlue, &blue_, nullptr);
  }
  void TearDown() override {
    if (host_.Running()) host_.Signal(SIGCONT);
    if (block_) {
      EndSessions(1);
      Pump(20);
    }
    if (restore_) AppResources() = saved_;
  }

  std::string Row(int row) const {
    const unsigned char* c = block_->xstuff.characterMirror() + (row - 1) * 80;
    return std::string(reinterpret_cast<const char*>(c), 80);
  }
  // Waits until a screen showing `text` is painted and takes input.
  bool WaitForScreen(const std::string& text) {
    XStuff& x = block_->xstuff;
    DisplayBag& d = *block_->display;
    const bool up = RunUntil([&] {
      bool shown = false;
      for (int r = 1; r <= 24 && !shown; ++r) shown = Row(r).find(text) != std::string::npos;
      return shown && !x.repaintPending() && d.keyboardState().state() == KeyboardState::kNormalUnlocked;
    });
    XSync(ToolkitDisplay(), False);
    Pump(5);
    return up;
  }
  void SignOn() {
    ASSERT_TRUE(WaitForScreen("Sign On"));
    ASSERT_TRUE(qwtest::TypeText(ToolkitDisplay(), "qsecofr\n"));
    ASSERT_TRUE(WaitForScreen("Main Menu"));
  }
  // One press and release in the middle of the cell (1-based row, column).
  void Click(int row, int column) {
    Display* dpy = ToolkitDisplay();
    XStuff& x = block_->xstuff;
    const int cx = x.originX() + (column - 1) * x.cellWidth() + x.cellWidth() / 2;
    const int cy = x.originY() + (row - 1) * x.cellHeight() + x.cellHeight() / 2;
    int rx = 0, ry = 0;
    Window child = 0;
    XTranslateCoordinates(dpy, XtWindow(drawing_), DefaultRootWindow(dpy), cx, cy, &rx, &ry, &child);
    XTestFakeMotionEvent(dpy, -1, rx, ry, CurrentTime);
    XTestFakeButtonEvent(dpy, 1, True, 400);
    XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
    XSync(dpy, False);
    ASSERT_TRUE(RunUntil([&] { return XPending(dpy) == 0 && !x.repaintPending(); }));
    XSync(dpy, False);
  }
  void Probe(CellProbe* probe) {
    Dimension w = 0, h = 0;
    XtVaGetValues(drawing_, XmNwidth, &w, XmNheight, &h, nullptr);
    probe->image = XGetImage(ToolkitDisplay(), XtWindow(drawing_), 0, 0, w, h, AllPlanes, ZPixmap);
    ASSERT_NE(probe->image, nullptr);
    probe->cellWidth = block_->xstuff.cellWidth();
    probe->cellHeight = block_->xstuff.cellHeight();
    probe->originX = block_->xstuff.originX();
    probe->originY = block_->xstuff.originY();
  }
  // The pixels of the top pixel row of the cells from..to of a row that are
  // not background (a button's frame covers them, but for the last pixel
  // where its line ends).
  static int FramePixels(const CellProbe& p, int row, int from, int to) {
    int n = 0;
    for (int column = from; column <= to; ++column)
      for (int dx = 0; dx < p.cellWidth; ++dx) n += p.at(row, column, dx, 0) != p.at(1, 1, 0, 0);
    return n;
  }

  qwtest::ChildProcess host_;
  SessionControlBlock* block_ = nullptr;
  Widget drawing_ = nullptr;
  Pixel background_ = 0, blue_ = 0;
  AppResourceStruct saved_{};
  bool restore_ = false;
};

// "F3=Sign off" stands on row 22, columns 3 to 13 of the main menu, in blue.
constexpr int kRow = 22, kFirst = 3, kLast = 13;

TEST_P(HotSpotOnDemoHost, ClickFlashesTheHotSpotAndTheNextScreenLeavesNothingOfIt) {
  const bool highlighted = GetParam().highlighted;
  ASSERT_NO_FATAL_FAILURE(SignOn());
  ASSERT_NE(Row(kRow).find("F3=Sign off"), std::string::npos) << Row(kRow);
  const int cell = block_->xstuff.cellWidth() * block_->xstuff.cellHeight();
  const int topRow = (kLast - kFirst + 1) * block_->xstuff.cellWidth();
  {
    CellProbe menu;
    ASSERT_NO_FATAL_FAILURE(Probe(&menu));
    ASSERT_EQ(menu.at(1, 1, 0, 0), background_);
    EXPECT_GT(menu.count(kRow, 4, blue_), 0) << "the label is painted in blue";
    EXPECT_GT(menu.count(kRow, 4, background_), cell / 2) << "not in reverse image";
    if (highlighted)
      EXPECT_GE(FramePixels(menu, kRow, kFirst, kLast), topRow - 1) << "a highlighted hot spot shows as a button";
    else
      EXPECT_LT(FramePixels(menu, kRow, kFirst, kLast), topRow / 4) << "hot spots are not highlighted";
  }

  // The host is held while the click is taken: the flash stays up.
  ASSERT_TRUE(host_.Signal(SIGSTOP));
  ASSERT_NO_FATAL_FAILURE(Click(kRow, 5));
  {
    CellProbe flash;
    ASSERT_NO_FATAL_FAILURE(Probe(&flash));
    for (int column = kFirst; column <= kLast; ++column) {
      if (highlighted)
        EXPECT_GT(flash.count(kRow, column, blue_), cell / 2) << "column " << column << " flashes in reverse image";
      else
        EXPECT_GT(flash.count(kRow, column, background_), cell / 2) << "column " << column << " is not flashed";
    }
  }
  ASSERT_TRUE(host_.Signal(SIGCONT));

  // F3 brings the sign-on screen, whose row 22 is empty.
  ASSERT_TRUE(WaitForScreen("Sign On"));
  XStuff& x = block_->xstuff;
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass == 0 ? "after the next screen" : "after an expose");
    CellProbe signOn;
    ASSERT_NO_FATAL_FAILURE(Probe(&signOn));
    for (int column = 1; column <= 80; ++column)
      EXPECT_EQ(signOn.count(kRow, column, background_), cell) << "row 22, column " << column;
    for (int p = (kRow - 1) * 80; p < kRow * 80; ++p) EXPECT_EQ(x.overlayMirror()[p], 0) << "position " << p;
    x.exposed();
    ASSERT_TRUE(RunUntil([&] { return !x.repaintPending(); }));
    XSync(ToolkitDisplay(), False);
  }

  // Signed on again: the label is as it was the first time.
  ASSERT_TRUE(qwtest::TypeText(ToolkitDisplay(), "qsecofr\n"));
  ASSERT_TRUE(WaitForScreen("Main Menu"));
  CellProbe again;
  ASSERT_NO_FATAL_FAILURE(Probe(&again));
  for (int column = kFirst; column <= kLast; ++column)
    EXPECT_GT(again.count(kRow, column, background_), cell / 2) << "column " << column << " is not reversed";
  if (highlighted)
    EXPECT_GE(FramePixels(again, kRow, kFirst, kLast), topRow - 1);
  else
    EXPECT_LT(FramePixels(again, kRow, kFirst, kLast), topRow / 4);
}

INSTANTIATE_TEST_SUITE_P(Depths, HotSpotOnDemoHost,
                         ::testing::Values(Case{24, true}, Case{24, false}, Case{16, true}),
                         [](const ::testing::TestParamInfo<Case>& i) {
                           return "Depth" + std::to_string(i.param.depth) +
                                  (i.param.highlighted ? "Highlighted" : "Plain");
                         });

}  // namespace
