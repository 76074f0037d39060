// The session window's size and place on 1024x768 and 800x600 screens: the
// 24x80 <-> 27x132 switches under each large-screen behaviour inside the
// work area, a user's resize choosing the font, the font menu and the font
// actions; measured on the server's real windows.
#include "tests/xwindow/WindowFixture.h"

#include <X11/Intrinsic.h>

#include <set>

namespace {

using qwtest::Rect;

template <class Fixture>
struct Checks : Fixture {
  static Rect Work() {
    Screen* s = DefaultScreenOfDisplay(Fixture::test_);
    return {0, 0, WidthOfScreen(s), HeightOfScreen(s) - 40};
  }

  // 24x80 -> 27x132 -> 24x80 with a large-screen behaviour: the window stays
  // in the work area and shows every row, and comes back as it was.
  void SwitchScreenSizes(int behaviour) {
    const Rect work = Work();
    Fixture::SetWorkArea(work.x, work.y, work.right(), work.bottom());
    SessionControlBlock* b = Fixture::NewSession();
    ASSERT_NE(b, nullptr);
    XStuff& x = b->xstuff;
    x.setMiscWindowValues(x.ruleLineMode(), 0, behaviour, false);
    // The user put the window towards the lower right.
    const Rect first = Fixture::ShellRect(b);
    XtVaSetValues(x.shell(), XtNx, static_cast<Position>(std::max(0, (work.width - first.width) * 2 / 3)), XtNy,
                  static_cast<Position>(std::max(0, (work.height - first.height) * 2 / 3)), nullptr);
    Fixture::Settle(b);
    const Rect before = Fixture::ShellRect(b);
    const Rect drawingBefore = Fixture::DrawingRect(b);
    const int font = x.currentFontEntry();
    Fixture::ExpectInside(before, work);
    Fixture::ExpectAllRowsShown(b);

    // A 27x132 screen where the program permits one; 32x80 on a screen too small for it.
    const bool wide = x.wideScreenAllowed();
    const int rows = wide ? 27 : 32, cols = wide ? 132 : 80;
    x.x_set_rows_columns(rows, cols);
    Fixture::Settle(b);
    const Rect large = Fixture::ShellRect(b);
    SCOPED_TRACE("behaviour " + std::to_string(behaviour));
    Fixture::ExpectInside(large, work);
    Fixture::ExpectAllRowsShown(b);
    EXPECT_GE(x.currentFontEntry(), font) << "a larger screen never takes a larger font";
    if (x.privatePart()->placement.splitView) {
      // Half the screen shows, with the arrow to the other half: by choice,
      // or because no font fits the whole width.
      EXPECT_EQ(large.right(), work.right());
    } else {
      EXPECT_GE(large.width, cols * x.cellWidth());
    }

    x.x_set_rows_columns(24, 80);
    Fixture::Settle(b);
    const Rect after = Fixture::ShellRect(b);
    EXPECT_EQ(x.currentFontEntry(), font);
    EXPECT_EQ(after.width, before.width);
    // The text area, the status line and the menu bar come back exactly.
    EXPECT_EQ(Fixture::DrawingRect(b).height, drawingBefore.height);
    EXPECT_EQ(after.height, before.height);
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
    Fixture::ExpectAllRowsShown(b);
  }

  void ResizeChoosesFont() {
    SessionControlBlock* b = Fixture::NewSession();
    ASSERT_NE(b, nullptr);
    XStuff& x = b->xstuff;
    const Rect start = Fixture::ShellRect(b);
    const int startFont = x.currentFontEntry();
    const int startCell = x.cellWidth();

    // Smaller: a smaller font, every row still there, no empty border.
    Fixture::UserResize(b, start.width * 2 / 3, start.height * 2 / 3);
    EXPECT_GT(x.currentFontEntry(), startFont);
    EXPECT_LT(x.cellWidth(), startCell);
    Fixture::ExpectAllRowsShown(b);
    const Rect small = Fixture::DrawingRect(b);
    EXPECT_EQ(small.width, 80 * x.cellWidth() + 2);
    EXPECT_EQ(small.height, 24 * x.cellHeight() + 2);

    // Larger again: the larger font fills the window.
    const int smallFont = x.currentFontEntry();
    Fixture::UserResize(b, start.width, start.height);
    EXPECT_LT(x.currentFontEntry(), smallFont);
    Fixture::ExpectAllRowsShown(b);
    const Rect large = Fixture::DrawingRect(b);
    EXPECT_EQ(large.width, 80 * x.cellWidth() + 2);
    EXPECT_EQ(large.height, 24 * x.cellHeight() + 2);

    // Too small for any font: the smallest, and the window grows to show it.
    Fixture::UserResize(b, 120, 80);
    Fixture::ExpectAllRowsShown(b);
    EXPECT_EQ(Fixture::DrawingRect(b).height, 24 * x.cellHeight() + 2);
  }

  void FontMenuMarksOne() {
    SessionControlBlock* b = Fixture::NewSession();
    ASSERT_NE(b, nullptr);
    XStuff& x = b->xstuff;
    XStuff::Private& p = *x.privatePart();
    ASSERT_GE(p.fontToggles.size(), 2u);
    EXPECT_EQ(Fixture::SetToggles(b), 1);
    for (size_t i = 0; i < p.fontToggles.size(); ++i) {
      const int entry = p.fontChoice.menuEntries[i];
      if (!XtIsSensitive(p.fontToggles[i])) continue;
      // What a click on the item does: the toggle turns on and notifies.
      XmToggleButtonSetState(p.fontToggles[i], True, True);
      Fixture::Settle(b);
      EXPECT_EQ(x.currentFontEntry(), entry);
      EXPECT_EQ(Fixture::SetToggles(b), 1);
      EXPECT_TRUE(XmToggleButtonGetState(p.fontToggles[i]));
      Fixture::ExpectAllRowsShown(b);
      EXPECT_EQ(Fixture::DrawingRect(b).width, 80 * x.cellWidth() + 2);
    }
    // A click on the set item leaves it set and the font alone.
    const int entry = x.currentFontEntry();
    Widget set = nullptr;
    for (Widget t : p.fontToggles)
      if (XmToggleButtonGetState(t)) set = t;
    ASSERT_NE(set, nullptr);
    XmToggleButtonSetState(set, False, True);
    EXPECT_TRUE(XmToggleButtonGetState(set));
    EXPECT_EQ(x.currentFontEntry(), entry);
  }

  void RotationWalksSizes() {
    const Rect work = Work();
    Fixture::SetWorkArea(work.x, work.y, work.right(), work.bottom());
    SessionControlBlock* b = Fixture::NewSession();
    ASSERT_NE(b, nullptr);
    XStuff& x = b->xstuff;
    XStuff::Private& p = *x.privatePart();
    Widget drawing = x.x_get_text_widget();
    std::set<int> seen{x.currentFontEntry()};
    int previous = x.currentFontEntry();
    for (int step = 0; step < 6; ++step) {
      p.lastRotation = 0;  // as if half a second had passed
      XtCallActionProc(drawing, const_cast<char*>("narrower-font"), nullptr, nullptr, 0);
      Fixture::Settle(b);
      const int now = x.currentFontEntry();
      EXPECT_NE(now, previous);
      EXPECT_TRUE(now > previous || now <= *seen.begin()) << "narrower walks down the table, then wraps";
      EXPECT_TRUE(p.fontChoice.usable[now]);
      Fixture::ExpectInside(Fixture::ShellRect(b), work);
      Fixture::ExpectAllRowsShown(b);
      EXPECT_EQ(Fixture::SetToggles(b), std::count(p.fontChoice.menuEntries.begin(), p.fontChoice.menuEntries.end(),
                                                   now));
      seen.insert(now);
      previous = now;
    }
    p.lastRotation = 0;
    XtCallActionProc(drawing, const_cast<char*>("wider-font"), nullptr, nullptr, 0);
    const int wider = x.currentFontEntry();
    EXPECT_NE(wider, previous);
    // A second action at once does nothing.
    XtCallActionProc(drawing, const_cast<char*>("wider-font"), nullptr, nullptr, 0);
    EXPECT_EQ(x.currentFontEntry(), wider);
  }
};

using Screen1024 = qwtest::WindowFixture<1024, 768>;
using Screen800 = qwtest::WindowFixture<800, 600>;
using At1024 = Checks<Screen1024>;
using At800 = Checks<Screen800>;

TEST_F(At1024, ScreenSizeSwitchMoveWindowAndReduceFont) { SwitchScreenSizes(1); }
TEST_F(At1024, ScreenSizeSwitchReduceFontOnly) { SwitchScreenSizes(2); }
TEST_F(At1024, ScreenSizeSwitchUseLastFont) { SwitchScreenSizes(3); }
TEST_F(At1024, ScreenSizeSwitchReduceFontAndMoveWindow) { SwitchScreenSizes(4); }
TEST_F(At800, ScreenSizeSwitchMoveWindowAndReduceFont) { SwitchScreenSizes(1); }
TEST_F(At800, ScreenSizeSwitchReduceFontOnly) { SwitchScreenSizes(2); }
TEST_F(At800, ScreenSizeSwitchUseLastFont) { SwitchScreenSizes(3); }
TEST_F(At800, ScreenSizeSwitchReduceFontAndMoveWindow) { SwitchScreenSizes(4); }

TEST_F(At1024, UserResizeChoosesTheFontAndHidesNoRow) { ResizeChoosesFont(); }
TEST_F(At800, UserResizeChoosesTheFontAndHidesNoRow) { ResizeChoosesFont(); }
TEST_F(At1024, FontMenuChangesTheFontAndMarksOneEntry) { FontMenuMarksOne(); }
TEST_F(At800, FontMenuChangesTheFontAndMarksOneEntry) { FontMenuMarksOne(); }
TEST_F(At1024, FontActionsWalkTheSizes) { RotationWalksSizes(); }
TEST_F(At800, FontActionsWalkTheSizes) { RotationWalksSizes(); }

TEST_F(At1024, ResizeRightAfterAFontChangeIsIgnored) {
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  XStuff& x = b->xstuff;
  AppResources().RESIZE_TUNING = 600;  // a minute
  x.privatePart()->lastRotation = 0;
  XtCallActionProc(x.x_get_text_widget(), const_cast<char*>("narrower-font"), nullptr, nullptr, 0);
  Settle(b);
  const int font = x.currentFontEntry();
  const Rect start = ShellRect(b);
  UserResize(b, start.width * 2 / 3, start.height * 2 / 3);
  EXPECT_EQ(x.currentFontEntry(), font);
}

TEST_F(At800, WideScreenShowsHalvesAndFollowsTheCursor) {
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  XStuff& x = b->xstuff;
  x.setMiscWindowValues(x.ruleLineMode(), 0, 3, false);
  x.x_set_rows_columns(27, 132);
  Settle(b);
  XStuff::Private& p = *x.privatePart();
  if (!p.placement.splitView) GTEST_SKIP() << "the 27x132 screen fits this server's fonts whole";
  EXPECT_FALSE(p.placement.rightPart);
  Widget right = XtNameToWidget(p.optionArea, "right_arrow");
  ASSERT_NE(right, nullptr);
  Boolean mapped = False;
  XtVaGetValues(right, XtNmappedWhenManaged, &mapped, nullptr);
  EXPECT_TRUE(mapped);
  x.x_cursor(131);  // the last column
  EXPECT_TRUE(p.placement.rightPart);
  EXPECT_LT(x.originX(), 1);
  x.x_cursor(132);  // row 2, column 1
  EXPECT_FALSE(p.placement.rightPart);
  XtCallActionProc(x.x_get_text_widget(), const_cast<char*>("toggle_text_side"), nullptr, nullptr, 0);
  EXPECT_TRUE(p.placement.rightPart);
}

}  // namespace

namespace {

TEST_F(At1024, ActionCallbackWidensTheFontAndLatchesModifiers) {
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  XStuff& x = b->xstuff;
  Widget drawing = x.x_get_text_widget();
  const struct {
    int reason, argument;
    unsigned int latched;
  } cases[] = {{11, 1, 0x08}, {11, 5, 0x88}, {11, 1, 0x80}, {11, 6, 0x80}, {11, 0, 0x80}, {7, 2, 0x80}};
  for (const auto& c : cases) {
    int data[2] = {c.reason, c.argument};
    XtCallCallbacks(drawing, "actionCallback", data);
    EXPECT_EQ(x.latchedModifiers(), c.latched) << c.reason << " " << c.argument;
  }
  const int before = x.currentFontEntry();
  x.privatePart()->lastRotation = 0;
  int widen[2] = {5, 0};
  XtCallCallbacks(drawing, "actionCallback", widen);
  EXPECT_NE(x.currentFontEntry(), before);
}

}  // namespace
