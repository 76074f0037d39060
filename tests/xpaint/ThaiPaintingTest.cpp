// Thai text composed into cells in the session window: a tone mark drawn in
// its consonant's cell moves the rest of the field one cell to the left,
// and the field's end attribute puts the text after it back in its
// columns. Pixel probes on the window under Xvfb.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <Xm/Xm.h>

#include <X11/keysym.h>

#include <cstring>
#include <functional>
#include <vector>

#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/support/InputScreen.h"
#include "tests/support/XKeys.h"
#include "tests/xpaint/SessionPainting.h"
#include "xfront/ThaiFonts.h"
#include "xfront/XStuff.h"

namespace {

using namespace glue_test;
using namespace paint_test;

class ThaiPainting : public SessionPainting {
 protected:
  // Cells of the probe that show something other than the background.
  int Ink(int row, int column) {
    CellProbe probe;
    ReadWindow(&probe);
    EXPECT_NE(probe.image, nullptr);
    if (!probe.image) return -1;
    Pixel background = 0;
    XtVaGetValues(drawing_, XmNbackground, &background, nullptr);
    return probe.cellWidth * probe.cellHeight - probe.count(row, column, background);
  }
  // Waits with the events going through the main loop's dispatch.
  static bool AsMainLoopUntil(const std::function<bool()>& done) {
    return RunUntil([&] {
      DispatchPendingAsMainLoop();
      return done();
    });
  }
  // Control with the right Shift typed through XTEST on the drawing area;
  // true once the composition switch is `on` and the window repainted.
  bool SwitchComposition(bool on) {
    Display* keys = XOpenDisplay(DisplayString(ToolkitDisplay()));
    if (!keys) return false;
    XSetInputFocus(keys, XtWindow(drawing_), RevertToParent, CurrentTime);
    XSync(keys, False);
    const bool typed = qwtest::PressKey(keys, XK_Shift_R, {XK_Control_L});
    XCloseDisplay(keys);
    XStuff& x = block_->xstuff;
    return typed && AsMainLoopUntil([&] { return x.thaiCompose() == on && !x.repaintPending(); });
  }
};

TEST_F(ThaiPainting, MarksAreComposedIntoTheirConsonantsCells) {
  // Row 3: an attribute at column 2, then consonant, tone mark, consonant,
  // consonant, the ending attribute at column 7, and a consonant at column
  // 8 after it. The cursor waits on row 10.
  Send(Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), B({0x11, 3, 2}),
            B({0x20, 0x42, 0xED, 0x43, 0x44, 0x20, 0x45}), B({0x11, 10, 1, 0x13})}));
  XStuff& x = block_->xstuff;
  // Not composed: every character in its own column.
  for (int column : {3, 4, 5, 6, 8}) EXPECT_GT(Ink(3, column), 0) << "column " << column;
  EXPECT_EQ(Ink(3, 9), 0);

  // A Thai session composes (display mode 5): the tone mark goes into the
  // first consonant's cell, the two consonants after it move left, column 6
  // is empty; after the attribute the text is in its own column again.
  x.setThaiSession(true);
  ASSERT_TRUE(x.thaiCompose());
  ASSERT_TRUE(SwitchComposition(false));
  ASSERT_TRUE(SwitchComposition(true));
  XSync(ToolkitDisplay(), False);
  EXPECT_GT(Ink(3, 3), 0) << "consonant and tone mark";
  EXPECT_GT(Ink(3, 4), 0) << "second consonant";
  EXPECT_GT(Ink(3, 5), 0) << "third consonant";
  EXPECT_EQ(Ink(3, 6), 0) << "the absorbed cell is empty";
  EXPECT_GT(Ink(3, 8), 0) << "realigned after the attribute";

  // The cursor of a position after the mark is drawn in its composed cell.
  EXPECT_EQ(x.ThaiMarkPos(0, 2 * 80 + 3, 0), 2 * 80 + 4) << "cell 4 shows position 5 (column 6)";
  EXPECT_EQ(x.ThaiMarkPos(0, 2 * 80 + 2, 1), 2 * 80 + 3) << "adjusted past the joined mark";

  // Switched off: back to one character per column.
  ASSERT_TRUE(SwitchComposition(false));
  XSync(ToolkitDisplay(), False);
  EXPECT_GT(Ink(3, 6), 0);
}

// A Thai session shows the composing Thai font of its cell size and
// composes with it (the separate font of the pair while composition is off:
// the key that switches is typed in the key pre-dispatch tests).
TEST_F(ThaiPainting, TheSessionShowsThePairedThaiFontAndComposes) {
  Send(Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), B({0x11, 3, 2}),
            B({0x20, 0x42, 0xED, 0x43, 0x44, 0x20, 0x45}), B({0x11, 10, 1, 0x13})}));
  XStuff& x = block_->xstuff;
  const std::string latin = x.drawingFontName();
  size_t count = 0;
  const thai::FontPair* pairs = thai::FontPairs(&count);
  ASSERT_GT(count, 0u);
  auto pairOf = [&](const std::string& name) {
    for (size_t i = 0; i < count; ++i)
      if (name == pairs[i].separate || name == pairs[i].composing) return static_cast<int>(i);
    return -1;
  };
  ASSERT_EQ(pairOf(latin), -1) << latin;

  x.setThaiSession(true);
  ASSERT_TRUE(x.thaiCompose());
  const std::string composing = x.drawingFontName();
  const int pair = pairOf(composing);
  ASSERT_GE(pair, 0) << "xfonts-thai is not installed: " << composing;
  EXPECT_EQ(composing, pairs[pair].composing);
  EXPECT_EQ(Ink(3, 6), 0) << "composed: the absorbed cell is empty";
  EXPECT_GT(Ink(3, 3), 0);

}

// Under the Thai locale a session is Thai by its language: nothing of the
// test makes it so. Its window shows the composing font of a Thai pair,
// Control+Shift_R (typed through XTEST) switches to the pair's separate font
// and back, and Thai letters typed through XTEST reach the field composed
// and the host in its Thai code page.
class ThaiLocalePainting : public ThaiPainting {
 protected:
  void SetUp() override {
    if (!qwtest::LocaleExists("th_TH"))
      GTEST_SKIP() << "the th_TH locale is not made on this machine (scripts/install-packages.sh makes it)";
    ThaiPainting::SetUp();
  }
  qwtest::TestLocale Locale() const override { return qwtest::TestLocale::Thai; }
};

TEST_F(ThaiLocalePainting, AThaiSessionShowsThePairedFontAndComposesTypedText) {
  XStuff& x = block_->xstuff;
  EXPECT_STREQ(block_->languageId, "THA");
  ASSERT_TRUE(x.thaiSession());
  ASSERT_TRUE(x.thaiCompose());
  const thai::FontPair* pairs = thai::FontPairs(nullptr);
  const int pair = thai::PairNamed(x.drawingFontName(), true);
  ASSERT_GE(pair, 0) << "not a composing Thai font (is xfonts-thai installed?): " << x.drawingFontName();

  // Row 3: consonant, tone mark, consonant, consonant in an output field;
  // an input field at row 5, column 11 with the cursor.
  Send(Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), B({0x11, 3, 2}),
            B({0x20, 0x42, 0xED, 0x43, 0x45, 0x20, 0x47}),
            B({0x11, 5, 10, 0x1D, 0x40, 0x00, 0x20, 0x00, 20, 0x13, 5, 11}), B({0x04, 0x52, 0x00, 0x08})}));
  EXPECT_EQ(Ink(3, 6), 0) << "composed: the absorbed cell is empty";

  Display* keys = XOpenDisplay(DisplayString(ToolkitDisplay()));
  ASSERT_NE(keys, nullptr);
  ASSERT_TRUE(qwtest::HasXTest(keys));
  ASSERT_TRUE(qwtest::BindKeysyms(keys, {XK_Thai_kokai, XK_Thai_maiek, XK_Thai_khokhai}));
  XSetInputFocus(keys, XtWindow(drawing_), RevertToParent, CurrentTime);
  XSync(keys, False);
  ASSERT_TRUE(RunUntil([&] {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(keys, &focus, &revert);
    return focus == XtWindow(drawing_);
  }));

  // Control with the right Shift: the separate font of the same pair, one
  // character per column; again: the composing one.
  ASSERT_TRUE(qwtest::PressKey(keys, XK_Shift_R, {XK_Control_L}));
  ASSERT_TRUE(AsMainLoopUntil([&] { return !x.thaiCompose() && !x.repaintPending(); }));
  EXPECT_EQ(x.drawingFontName(), pairs[pair].separate);
  XSync(ToolkitDisplay(), False);
  for (int column : {3, 5, 6, 8}) EXPECT_GT(Ink(3, column), 0) << "not composed: column " << column;

  ASSERT_TRUE(qwtest::PressKey(keys, XK_Shift_R, {XK_Control_L}));
  ASSERT_TRUE(AsMainLoopUntil([&] { return x.thaiCompose() && !x.repaintPending(); }));
  EXPECT_EQ(x.drawingFontName(), pairs[pair].composing);

  // Typed: ko kai, mai ek (its tone mark), kho khai. The mark joins the
  // first letter's cell, the second letter takes the next cell.
  for (KeySym k : {XK_Thai_kokai, XK_Thai_maiek, XK_Thai_khokhai}) ASSERT_TRUE(qwtest::PressKey(keys, k));
  ASSERT_TRUE(AsMainLoopUntil([&] { return x.getAsciiChar(4 * 80 + 11) != 0 && !x.repaintPending(); }));
  XSync(ToolkitDisplay(), False);
  EXPECT_GT(Ink(5, 11), 0);
  EXPECT_GT(Ink(5, 12), 0);
  EXPECT_EQ(Ink(5, 13), 0) << "the typed mark is composed into its letter's cell";
  ASSERT_TRUE(qwtest::PressKey(keys, XK_Return));
  std::vector<uint8_t> enter;
  ASSERT_TRUE(host_.WaitForRecord(kWaitMs, [] {
    DispatchPendingAsMainLoop();
    Pump();
  }, &enter));
  EXPECT_EQ(qwtest::InboundAid(enter), 0xF1);
  EXPECT_EQ(qwtest::InboundFieldData(enter), (std::vector<uint8_t>{0x42, 0xED, 0x43}));
  XCloseDisplay(keys);
}

// A Thai session whose window is made larger or smaller shows the Thai font
// (composing, as composition is on) of the largest pair whose cells fit the
// new size, not the Latin font the size would take otherwise.
TEST_F(ThaiLocalePainting, AResizedThaiSessionShowsTheThaiFontThatFits) {
  AppResources().RESIZE_TUNING = 0;  // every resize is looked at (put back by TearDown)
  XStuff& x = block_->xstuff;
  ASSERT_TRUE(x.thaiSession());
  size_t count = 0;
  const thai::FontPair* pairs = thai::FontPairs(&count);
  ASSERT_EQ(count, 2u);  // cells 7 x 14 and 8 x 16
  Display* d = ToolkitDisplay();
  const Window shell = XtWindow(x.shell());
  auto sizeOf = [](Widget w) {
    Dimension width = 0, height = 0;
    XtVaGetValues(w, XmNwidth, &width, XmNheight, &height, nullptr);
    return std::pair<int, int>(width, height);
  };
  const struct Step {
    int cellWidth, cellHeight;  // the room per cell the window is given
    const char* font;
  } steps[] = {{10, 24, pairs[1].composing}, {7, 20, pairs[0].composing}, {9, 24, pairs[1].composing}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.font);
    const auto shellSize = sizeOf(x.shell()), drawingSize = sizeOf(drawing_);
    const int width = shellSize.first - drawingSize.first + 80 * step.cellWidth + 2;
    const int height = shellSize.second - drawingSize.second + 24 * step.cellHeight + 2;
    XResizeWindow(d, shell, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSync(d, False);
    EXPECT_TRUE(RunUntil([&] { return x.drawingFontName() == step.font && !x.repaintPending(); }))
        << x.drawingFontName();
    const auto text = sizeOf(drawing_);
    EXPECT_LE(80 * x.cellWidth() + 2, text.first);
    EXPECT_LE(24 * x.cellHeight() + 2, text.second);
  }
}

}  // namespace
