// The mouse on a session window under a private X server, pressed through
// XTEST, against the loopback host: a click places the cursor, a double
// click on a function-key label or a paging word sends its AID, a click on a
// menu option types it and enters, a scroll bar clicked or dragged reports
// its increment, a host-programmed button sends AID 0x80 with the mouse
// position, and a web address starts the browser only through an argument
// vector and only when it is a plain address.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <Xm/Xm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "display/DisplayBag.h"
#include "display/ScrollBarField.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/XKeys.h"
#include "tests/xpaint/SessionPainting.h"

namespace {

using namespace glue_test;
using namespace paint_test;

Bytes Sba(int row, int column) { return B({0x11, row, column}); }
Bytes Text(int row, int column, const std::string& text) { return Cat({Sba(row, column), Ebcdic(text)}); }
Bytes InputField(int length) { return B({0x1D, 0x40, 0x00, 0x20, length >> 8, length & 0xFF}); }
// Clear unit, Write to Display, the orders, then Read MDT Fields.
Bytes Screen(const Bytes& orders) {
  return Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), orders, B({0x04, 0x52, 0x00, 0x08})});
}
Bytes Be32(uint32_t v) { return B({int(v >> 24), int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF)}); }
// A vertical scroll bar whose attribute stands at row, column.
Bytes VerticalBar(int row, int column, uint32_t total, uint32_t position, int size) {
  return Cat({Sba(row, column), B({0x15, 0x00, 15, 0xD9, 0x53, 0x00, 0x00}), Be32(total), Be32(position), B({size})});
}

class MouseOnWindow : public SessionPainting {
 protected:
  DisplayBag& display() { return *block_->display; }
  unsigned int At(int row, int column) { return unsigned((row - 1) * int(display().columns()) + column - 1); }
  // The root coordinates of the middle of the cell at the screen offset.
  void RootOf(unsigned int offset, int* rx, int* ry) {
    Display* dpy = ToolkitDisplay();
    XStuff& x = block_->xstuff;
    const int cx = x.originX() + int(offset % display().columns()) * x.cellWidth() + x.cellWidth() / 2;
    const int cy = x.originY() + int(offset / display().columns()) * x.cellHeight() + x.cellHeight() / 2;
    Window child = 0;
    XTranslateCoordinates(dpy, XtWindow(drawing_), DefaultRootWindow(dpy), cx, cy, rx, ry, &child);
  }
  // Waits until the session took every event the server made so far (the
  // server sends them before the reply to the sync) and painted.
  void Taken() {
    Display* dpy = ToolkitDisplay();
    XSync(dpy, False);
    ASSERT_TRUE(RunUntil([&] { return XPending(dpy) == 0 && !block_->xstuff.repaintPending(); }));
  }
  // A press and release; the server holds the press back long enough that
  // it never makes a double click with an earlier one.
  void Click(unsigned int offset) {
    Display* dpy = ToolkitDisplay();
    int rx = 0, ry = 0;
    RootOf(offset, &rx, &ry);
    XTestFakeMotionEvent(dpy, -1, rx, ry, CurrentTime);
    XTestFakeButtonEvent(dpy, 1, True, 400);
    XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
    ASSERT_NO_FATAL_FAILURE(Taken());
  }
  void DoubleClick(unsigned int offset) {
    Display* dpy = ToolkitDisplay();
    int rx = 0, ry = 0;
    RootOf(offset, &rx, &ry);
    XTestFakeMotionEvent(dpy, -1, rx, ry, CurrentTime);
    XTestFakeButtonEvent(dpy, 1, True, 400);
    XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
    // The second press a little later (a double press must come after the
    // first one, within the multi-click time).
    XTestFakeButtonEvent(dpy, 1, True, 40);
    XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
    ASSERT_NO_FATAL_FAILURE(Taken());
  }
  Bytes NextRecord() {
    Bytes record;
    EXPECT_TRUE(host_.WaitForRecord(kWaitMs, [] { Pump(); }, &record));
    return record;
  }
  Bytes Inbound(const Bytes& data) { return Record(0x03, data, 0, 0x40); }
};

TEST_F(MouseOnWindow, LeftClickPlacesTheCursor) {
  ASSERT_NO_FATAL_FAILURE(Send(Screen(Cat({Text(2, 2, "Work with objects"), Sba(5, 10), InputField(5)}))));
  ASSERT_NO_FATAL_FAILURE(Click(At(10, 33)));
  EXPECT_EQ(display().cursor().getCursorOffset(), At(10, 33));
  EXPECT_EQ(block_->xstuff.cursorPosition(), int(At(10, 33))) << "the window shows the cursor there";
  ASSERT_NO_FATAL_FAILURE(Click(At(5, 12)));
  EXPECT_EQ(display().cursor().getCursorOffset(), At(5, 12));
  ASSERT_TRUE(qwtest::PressKey(ToolkitDisplay(), XK_Return));
  EXPECT_EQ(NextRecord(), Inbound(B({5, 12, 0xF1})));
}

TEST_F(MouseOnWindow, DoubleClickOnFunctionKeysAndPagingWords) {
  display().options().hotSpotClickMode = 2;
  const Bytes screen = Screen(Cat({Text(20, 70, "More..."), Text(21, 70, "Bottom"), Text(23, 2, "F3=Exit   F12=Cancel")}));
  const struct {
    int row, column, aid;
  } cases[] = {{23, 5, 0x33}, {23, 15, 0x3C}, {20, 73, 0xF5}, {21, 71, 0xF4}};
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(c.row) + " column " + std::to_string(c.column));
    ASSERT_NO_FATAL_FAILURE(Send(screen));
    ASSERT_NO_FATAL_FAILURE(DoubleClick(At(c.row, c.column)));
    EXPECT_EQ(NextRecord(), Inbound(B({c.row, c.column, c.aid})));
  }
  // A single click on a label only places the cursor.
  ASSERT_NO_FATAL_FAILURE(Send(screen));
  const size_t before = host_.Records().size();
  ASSERT_NO_FATAL_FAILURE(Click(At(23, 3)));
  EXPECT_EQ(display().cursor().getCursorOffset(), At(23, 3));
  EXPECT_EQ(host_.Records().size(), before);
}

TEST_F(MouseOnWindow, ClickOnMenuOptionTypesItAndEnters) {
  display().options().hotSpotClickMode = 1;
  ASSERT_NO_FATAL_FAILURE(Send(Screen(Cat({Text(5, 6, "1. User tasks"), Text(6, 5, "12. Sign off"),
                                            Text(20, 2, "Selection"), Sba(20, 12), InputField(3)}))));
  const unsigned int cursor = display().cursor().getCursorOffset();
  ASSERT_NO_FATAL_FAILURE(Click(At(6, 11)));
  const int row = int(cursor / display().columns()) + 1, column = int(cursor % display().columns()) + 1;
  // Enter with the field: SBA to its first position, then "12".
  EXPECT_EQ(NextRecord(), Inbound(B({row, column, 0xF1, 0x11, 20, 13, 0xF1, 0xF2})));
}

TEST_F(MouseOnWindow, ScrollBarClickedAndDragged) {
  const Bytes screen = Screen(VerticalBar(3, 70, 100, 0, 10));
  ASSERT_NO_FATAL_FAILURE(Send(screen));
  auto* bar = static_cast<ScrollBarField*>(display().formatTable().getArea(At(3, 71)));
  ASSERT_EQ(bar->getFieldClassID(), kVerticalScrollBar);
  ASSERT_EQ(bar->sliderOffset(), 1u);
  const unsigned int cursor = display().cursor().getCursorOffset();
  const int row = int(cursor / display().columns()) + 1, column = int(cursor % display().columns()) + 1;

  // The down arrow: one row; the shaft: a page (0).
  ASSERT_NO_FATAL_FAILURE(Click(At(12, 71)));
  EXPECT_EQ(NextRecord(), Inbound(B({row, column, 0xF5, 0x11, 3, 71, 0, 0, 0, 1})));
  ASSERT_NO_FATAL_FAILURE(Send(screen));
  ASSERT_NO_FATAL_FAILURE(Click(At(8, 71)));
  EXPECT_EQ(NextRecord(), Inbound(B({row, column, 0xF5, 0x11, 3, 71, 0, 0, 0, 0})));

  // The slider dragged four cells down: the rows it now stands for.
  ASSERT_NO_FATAL_FAILURE(Send(screen));
  bar = static_cast<ScrollBarField*>(display().formatTable().getArea(At(3, 71)));
  Display* dpy = ToolkitDisplay();
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  RootOf(At(4, 71), &x0, &y0);
  RootOf(At(8, 71), &x1, &y1);
  XTestFakeMotionEvent(dpy, -1, x0, y0, CurrentTime);
  XTestFakeButtonEvent(dpy, 1, True, 400);
  // Motion right after a press is taken as part of the click: the server
  // holds the move back.
  XTestFakeMotionEvent(dpy, -1, x1, y1, 400);
  XSync(dpy, False);
  ASSERT_TRUE(RunUntil([&] { return bar->sliderOffset() == 5u; })) << "the slider follows the pointer";
  XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
  ASSERT_NO_FATAL_FAILURE(Taken());
  const unsigned int rows = bar->position();
  EXPECT_GT(rows, 0u);
  EXPECT_EQ(NextRecord(), Inbound(B({row, column, 0xF5, 0x11, 3, 71, 0, 0, 0, int(rows)})));
}

TEST_F(MouseOnWindow, HostProgrammedButtonSendsTheMouseRecord) {
  // Button 1 programmed as a two-event button ended by its release (2),
  // moving the cursor, with the AID PF5.
  const Bytes buttons = B({0x15, 0x00, 0x0B, 0xD9, 0x55, 0x00, 0x00, 0x00, 0xC0, 0x01, 0x02, 0x35});
  ASSERT_NO_FATAL_FAILURE(Send(Screen(Cat({Text(2, 2, "Point at a row"), buttons}))));
  ASSERT_TRUE(display().mouseButtons().isProgrammed(1));
  ASSERT_NO_FATAL_FAILURE(Click(At(9, 40)));
  // The cursor, AID 0x80, the mouse's row and column, the button's AID.
  EXPECT_EQ(NextRecord(), Inbound(B({9, 40, 0x80, 9, 40, 0x35})));
}

class BrowserOnWindow : public MouseOnWindow {
 protected:
  void SetUp() override {
    MouseOnWindow::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    display().options().hotSpotClickMode = 1;
    display().options().browserStart = true;
    bin_ = dir_.Path() + "/bin";
    mkdir(bin_.c_str(), 0700);
    out_ = dir_.Path() + "/opened";
    // The browser starter: writes its arguments, one a line.
    std::ofstream s(bin_ + "/jovel_netscape");
    s << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > " << out_ << ".tmp\nmv " << out_ << ".tmp "
      << out_ << "\n";
    s.close();
    chmod((bin_ + "/jovel_netscape").c_str(), 0700);
  }
  bool Exists(const std::string& p) { return access(p.c_str(), F_OK) == 0; }
  std::string Opened() {
    std::ifstream in(out_);
    std::string all, line;
    while (std::getline(in, line)) all += line + "\n";
    return all;
  }
  qwtest::TempDir dir_;
  std::string bin_, out_;
};

TEST_F(BrowserOnWindow, AnAddressGoesToTheBrowserAsOneArgument) {
  qwtest::ScopedEnv path("PATH", (bin_ + ":/usr/bin:/bin").c_str());
  ASSERT_NO_FATAL_FAILURE(Send(Screen(Text(4, 3, "See http://example.com/docs?a=1&b=2 for more"))));
  ASSERT_NO_FATAL_FAILURE(Click(At(4, 12)));
  ASSERT_TRUE(RunUntil([&] { return Exists(out_); }));
  EXPECT_EQ(Opened(), "http://example.com/docs?a=1&b=2\n");
}

TEST_F(BrowserOnWindow, HostTextWithShellCharactersRunsNothing) {
  qwtest::ScopedEnv path("PATH", (bin_ + ":/usr/bin:/bin").c_str());
  const std::string marker = dir_.Path() + "/pwned";
  for (const std::string& text : {"http://a.b/$(touch${IFS}" + marker + ")", "http://a.b/;touch${IFS}" + marker,
                                   "http://a.b/`touch${IFS}" + marker + "`", std::string("http://a.b/'x'|touch")}) {
    SCOPED_TRACE(text);
    qwtest::LogCapture log;
    ASSERT_NO_FATAL_FAILURE(Send(Screen(Text(4, 3, text))));
    ASSERT_NO_FATAL_FAILURE(Click(At(4, 6)));
    ASSERT_TRUE(RunUntil([&] { return log.Contains("QWC0442"); })) << "refused as no valid address";
    EXPECT_FALSE(Exists(out_)) << "the browser starter never ran";
    EXPECT_FALSE(Exists(marker));
  }
}

TEST_F(BrowserOnWindow, AMissingBrowserIsReported) {
  qwtest::ScopedEnv path("PATH", "/nonexistent-directory");
  qwtest::LogCapture log;
  ASSERT_NO_FATAL_FAILURE(Send(Screen(Text(4, 3, "http://example.com"))));
  ASSERT_NO_FATAL_FAILURE(Click(At(4, 8)));
  ASSERT_TRUE(RunUntil([&] { return log.Contains("QWC0441"); }));
  EXPECT_TRUE(log.Contains("jovel_netscape"));
  EXPECT_NE(XtNameToWidget(block_->xstuff.shell(), "*browserNotStartedDialog"), nullptr);
}

}  // namespace
