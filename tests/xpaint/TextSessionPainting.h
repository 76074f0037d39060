#pragma once
// The session window against the loopback host with a keyboard that has the
// word-processing options, for text-assist pages: the text records come from
// the text fixtures.
#include "tests/xpaint/SessionPainting.h"  // first: gtest before Xlib

#include "display/DisplayBag.h"
#include "keyboard/TAXlate.h"
// After the record fixtures, whose Field class the text fixtures' Field()
// would hide.
#include "tests/textassist/TextStation.h"

namespace paint_test {

class TextSessionPainting : public SessionPainting {
 protected:
  void SetUp() override {
    SessionPainting::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(RunUntil([&] { return !block_->xstuff.repaintPending(); }));
    ASSERT_NE(block_->taxlate, nullptr);
    block_->taxlate->setKeyboardType(0xB0);  // the word-processing options
  }

  // The root-window position of the middle of the cell at `offset`.
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

}  // namespace paint_test
