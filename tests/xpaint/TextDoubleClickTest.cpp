// A double click on a text-assist page in the session window, pressed
// through XTEST against the loopback host: the first press places the
// cursor, the double click is the Enter key, and the host receives the text
// record with the clicked position and AID 0xF1.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include "display/DisplayBag.h"
#include "keyboard/TAXlate.h"
#include "tests/support/TestHost5250.h"
#include "tests/xpaint/SessionPainting.h"
// After the record fixtures, whose Field class the text fixtures' Field()
// would hide.
#include "tests/textassist/TextStation.h"

namespace {

using namespace paint_test;

class TextDoubleClick : public SessionPainting {
 protected:
  void SetUp() override {
    SessionPainting::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(RunUntil([&] { return !block_->xstuff.repaintPending(); }));
    ASSERT_NE(block_->taxlate, nullptr);
    block_->taxlate->setKeyboardType(0xB0);  // the word-processing options
  }
  void RootOf(unsigned int offset, int* rx, int* ry) {
    Display* dpy = ToolkitDisplay();
    XStuff& x = block_->xstuff;
    const unsigned int columns = block_->display->columns();
    const int cx = x.originX() + int(offset % columns) * x.cellWidth() + x.cellWidth() / 2;
    const int cy = x.originY() + int(offset / columns) * x.cellHeight() + x.cellHeight() / 2;
    Window child = 0;
    XTranslateCoordinates(dpy, XtWindow(drawing_), DefaultRootWindow(dpy), cx, cy, rx, ry, &child);
  }
};

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
