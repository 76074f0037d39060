// A double click on a text-assist page in the session window, pressed
// through XTEST against the loopback host: the first press places the
// cursor, the double click is the Enter key, and the host receives the text
// record with the clicked position and AID 0xF1.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include "tests/support/TestHost5250.h"
#include "tests/xpaint/TextSessionPainting.h"

namespace {

using namespace paint_test;

using TextDoubleClick = TextSessionPainting;

TEST_F(TextDoubleClick, IsTheEnterKeyAtTheClickedPosition) {
  Send(R1());
  DisplayBag& d = *block_->display;
  ASSERT_EQ(d.keyboardState().state(), KeyboardState::kWordProcessing);
  ASSERT_EQ(d.textSession()->cursorPos, 2u * 80 + 1);

  // Row 5, column 10: inside the margins of an empty text row.
  Display* dpy = ToolkitDisplay();
  int rx = 0, ry = 0;
  RootOf(4 * 80 + 9, &rx, &ry);
  XTestFakeMotionEvent(dpy, -1, rx, ry, CurrentTime);
  // The first press held back so that it makes no double click with an
  // earlier one, the second within the multi-click time.
  XTestFakeButtonEvent(dpy, 1, True, 400);
  XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
  XTestFakeButtonEvent(dpy, 1, True, 40);
  XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
  XSync(dpy, False);

  Bytes record;
  ASSERT_TRUE(host_.WaitForRecord(kWaitMs, [] { Pump(); }, &record));
  ASSERT_GE(record.size(), 13u);
  // After the 10-byte record header: the cursor (row 5, column 10), Enter.
  EXPECT_EQ(Bytes(record.begin() + 10, record.begin() + 13), (Bytes{5, 10, 0xF1}));
  EXPECT_EQ(d.textSession()->lastHandler(), std::string("c_textmousedoubleclick"));
  EXPECT_TRUE(d.keyboardState().isLockedState());
}

}  // namespace
