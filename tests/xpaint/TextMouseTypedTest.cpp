// The mouse and the delete function on a text-assist page in the session
// window, pressed through XTEST against the loopback host: a click places
// the text cursor, a click right of the right margin is ignored, a double
// click is Enter (the host reads the cursor at the click); F4 (the host's
// delete key) marks a start, the cursor keys move to the end, and Enter
// deletes the range in the window without asking the host, which gets the
// edited line with the next Enter.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/TestHost5250.h"
#include "tests/support/XKeys.h"
#include "tests/xpaint/TextSessionPainting.h"

namespace {

using namespace paint_test;

class TextMouseTyped : public TextSessionPainting {
 protected:
  void SetUp() override {
    TextSessionPainting::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // The page of R1 with the host's command-key table: F4 deletes.
    Send(Wsf(Dftxt(0x00, 0x80) + Dfscl(ScaleLine(1, {{2, 1}, {10, 3}, {70, 2}})) +
             Field(0x31, Bytes{0x04, 9, 4, 5} + Ebc("DELETE")) + Wrtxt(0x80, 0x00, 0x08, 3, 2, R1Lines()) +
             Rdtxt()));
    ASSERT_EQ(block_->display->keyboardState().state(), KeyboardState::kWordProcessing);
  }
  TextSession& text() { return *block_->display->textSession(); }
  unsigned int At(int row, int column) { return unsigned((row - 1) * 80 + column - 1); }
  void Taken() {
    Display* dpy = ToolkitDisplay();
    XSync(dpy, False);
    ASSERT_TRUE(RunUntil([&] { return XPending(dpy) == 0 && !block_->xstuff.repaintPending(); }));
  }
  // The press held back long enough that it never makes a double click
  // with an earlier one; `twice` adds a second press soon after.
  void Click(unsigned int offset, bool twice = false) {
    Display* dpy = ToolkitDisplay();
    int rx = 0, ry = 0;
    RootOf(offset, &rx, &ry);
    XTestFakeMotionEvent(dpy, -1, rx, ry, CurrentTime);
    XTestFakeButtonEvent(dpy, 1, True, 400);
    XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
    if (twice) {
      XTestFakeButtonEvent(dpy, 1, True, 40);
      XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
    }
    ASSERT_NO_FATAL_FAILURE(Taken());
  }
  Bytes NextRecord() {
    Bytes record;
    EXPECT_TRUE(host_.WaitForRecord(kWaitMs, [] { Pump(); }, &record));
    return record.size() >= 10 ? Bytes(record.begin() + 10, record.end()) : Bytes{};
  }
};

TEST_F(TextMouseTyped, ClicksPlaceTheCursorAndADoubleClickIsEnter) {
  ASSERT_NO_FATAL_FAILURE(Click(At(3, 6)));
  EXPECT_EQ(text().cursorPos, At(3, 6));
  ASSERT_NO_FATAL_FAILURE(Click(At(3, 75)));
  EXPECT_EQ(text().cursorPos, At(3, 6)) << "right of the right margin";
  ASSERT_NO_FATAL_FAILURE(Click(At(5, 9), true));
  const Bytes record = NextRecord();
  ASSERT_GE(record.size(), 3u);
  EXPECT_EQ(record[0], 5);
  EXPECT_EQ(record[1], 9);
  EXPECT_EQ(record[2], 0xF1);
}

TEST_F(TextMouseTyped, F4MarksAndEnterDeletesInTheWindow) {
  Display* keys = XOpenDisplay(DisplayString(ToolkitDisplay()));
  ASSERT_NE(keys, nullptr);
  ASSERT_TRUE(qwtest::HasXTest(keys));
  XSetInputFocus(keys, XtWindow(drawing_), RevertToParent, CurrentTime);
  XSync(keys, False);
  ASSERT_TRUE(RunUntil([&] { return block_->xstuff.hasFocus(); }));
  ASSERT_TRUE(qwtest::PressKey(keys, XK_Right));
  ASSERT_TRUE(qwtest::PressKey(keys, XK_F4));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(qwtest::PressKey(keys, XK_Right));
  XSync(keys, False);
  ASSERT_TRUE(RunUntil([&] { return text().cursorPos == At(3, 6); })) << text().cursorPos;
  ASSERT_TRUE(qwtest::PressKey(keys, XK_Return));
  XSync(keys, False);
  const Bytes after = Bytes{0x00} + Ebc("H WORLD") + Bytes{0x03};
  ASSERT_TRUE(RunUntil([&] {
    Bytes row(after.size());
    block_->display->presentationSpace().getData(At(3, 1), static_cast<unsigned int>(row.size()), row.data());
    return row == after;
  }));
  EXPECT_EQ(text().cursorPos, At(3, 3));
  EXPECT_FALSE(text().errorFlag()) << text().lastOperatorError();
  ASSERT_TRUE(qwtest::PressKey(keys, XK_Return));
  XSync(keys, False);
  const Bytes record = NextRecord();
  XCloseDisplay(keys);
  ASSERT_GE(record.size(), 3u);
  // Had the delete gone to the host, its record (F4's AID) would come first.
  EXPECT_EQ(record[2], 0xF1) << "the second Enter is an ordinary one";
  const Bytes line = Ebc("H WORLD") + Bytes{0x03};
  EXPECT_NE(std::search(record.begin(), record.end(), line.begin(), line.end()), record.end());
}

}  // namespace
