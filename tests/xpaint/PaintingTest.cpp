// The painted session window under a private X server of a chosen depth and
// locale: the loopback host sends a sign-on screen and pixel probes check
// text colours, reverse image, underline, column separators, non-display
// fields and the cursor styles; an update of many orders is painted by one
// flush. Each depth and locale needs its own toolkit, so a test whose depth
// or locale differs from the one this process started with is skipped
// (ctest runs every test in its own process, so all of them run there).
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <Xm/Xm.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "session/ResourceKeywords.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "session/MiscPreferenceUpdate.h"
#include "session/MiscPreferences.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestHost5250.h"
#include "tests/xpaint/PaintSession.h"
#include "xfront/Win3270.h"
#include "xfront/XStuff.h"

namespace {

using namespace glue_test;
using namespace paint_test;

// SF with an input field of `length` after the attribute.
Bytes InputField(int attribute, int length) { return B({0x1D, 0x40, 0x00, attribute, length >> 8, length & 0xFF}); }
Bytes Sba(int row, int column) { return B({0x11, row, column}); }

Bytes SignOnScreen() {
  return Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}),
              Sba(1, 35), B({0x22}), Ebcdic("Sign On"), B({0x20}),
              Sba(3, 2), B({0x20}), Ebcdic("System  . . . . :"), B({0x22}), Ebcdic("QWHOST01"), B({0x20}),
              Sba(4, 2), B({0x28}), Ebcdic("Subsystem . . . :"), B({0x2E}), Ebcdic("QINTER"), B({0x20}),
              Sba(6, 17), B({0x20}), Ebcdic("User  . . . . . . . . ."),
              Sba(6, 52), InputField(0x24, 10),
              Sba(7, 17), B({0x20}), Ebcdic("Password  . . . . . . ."),
              Sba(7, 52), InputField(0x27, 10), Ebcdic("SECRET"),
              Sba(9, 17), B({0x20}), Ebcdic("Program/procedure . . ."),
              Sba(9, 52), B({0x30}), Ebcdic("MENU      "), B({0x20}),
              Sba(11, 2), B({0x21}), Ebcdic(" Reverse image "), B({0x20}),
              Sba(11, 30), B({0x3A}), Ebcdic("Blue text"), B({0x20}),
              Sba(24, 2), B({0x22}), Ebcdic("(C) COPYRIGHT QW5250 TEST HOST"), B({0x20}),
              B({0x13, 6, 53})});
}

struct Pixels {
  Pixel background, green, white, red, turquoise, blue, cursor;
};

Pixels PixelsOf(Widget drawing) {
  Pixels p{};
  XtVaGetValues(drawing, XmNbackground, &p.background, QwNextGreen, &p.green, QwNextWhite, &p.white, QwNextRed,
                &p.red, QwNextTurquoise, &p.turquoise, QwNextBlue, &p.blue, QwNcursorColor, &p.cursor, nullptr);
  return p;
}

struct Server {
  int depth;
  qwtest::TestLocale locale;
};

void PrintTo(const Server& s, std::ostream* os) { *os << s.depth << " bits, " << qwtest::LocaleName(s.locale); }

class PaintingTest : public ::testing::TestWithParam<Server> {
 protected:
  void SetUp() override {
    if (!Toolkit(GetParam().depth, GetParam().locale)) QW_RUN_IN_OWN_PROCESS(ToolkitText());
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    AppResources().columnSeparator = QwEnable;
    AppResources().CURSOR_STYLE = 2;
    ASSERT_TRUE(host_.Start());
    block_ = NewSession(host_.Port());
    ASSERT_NE(block_, nullptr);
    ASSERT_TRUE(host_.WaitNegotiated(kWaitMs, [] { Pump(); }));
    XStuff& x = block_->xstuff;
    drawing_ = x.x_get_text_widget();
    ASSERT_TRUE(RunUntil([&] { return x.mapped() && XtIsRealized(drawing_); }));
    XSetInputFocus(ToolkitDisplay(), XtWindow(drawing_), RevertToParent, CurrentTime);
    ASSERT_TRUE(RunUntil([&] { return x.hasFocus() && !x.repaintPending(); }));
  }
  void TearDown() override {
    if (!block_) return;
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }
  // Sends a record and waits until the session took it and painted it.
  void Send(const Bytes& data) {
    host_.SendRecord(Record(0x03, data, 0, 0x40));
    ASSERT_TRUE(host_.Barrier(kWaitMs, [] { Pump(); }));
    ASSERT_TRUE(RunUntil([&] { return !block_->xstuff.repaintPending(); }));
    XSync(ToolkitDisplay(), False);
  }
  void Probe(CellProbe* probe) {
    XStuff& x = block_->xstuff;
    Dimension w = 0, h = 0;
    XtVaGetValues(drawing_, XmNwidth, &w, XmNheight, &h, nullptr);
    probe->image = XGetImage(ToolkitDisplay(), XtWindow(drawing_), 0, 0, w, h, AllPlanes, ZPixmap);
    ASSERT_NE(probe->image, nullptr);
    probe->cellWidth = x.cellWidth();
    probe->cellHeight = x.cellHeight();
    ASSERT_GE(w, 80 * x.cellWidth());
  }

  qwtest::TestHost5250 host_;
  SessionControlBlock* block_ = nullptr;
  Widget drawing_ = nullptr;
  AppResourceStruct saved_{};
};

TEST_P(PaintingTest, SignOnScreenShowsColoursReverseUnderlineSeparatorsAndCursor) {
  XStuff& x = block_->xstuff;
  const unsigned long flushes = x.paintStats().flushes;
  Send(SignOnScreen());
  // The record of many orders is painted by one flush.
  EXPECT_EQ(x.paintStats().flushes, flushes + 1);
  EXPECT_EQ(x.cursorPosition(), 5 * 80 + 52);

  CellProbe probe;
  ASSERT_NO_FATAL_FAILURE(Probe(&probe));
  const Pixels px = PixelsOf(drawing_);
  const int ch = probe.cellHeight, cw = probe.cellWidth;
  const int underlineRow = ch - 1;

  // The default scheme's colours, as the server shows them at this depth
  // (composed directly at depth 16, allocated or nearest at depth 8).
  struct Want {
    Pixel pixel;
    int r, g, b;
  } wants[] = {{px.background, 0, 0, 0}, {px.green, 0, 0xFF, 0}, {px.red, 0xFF, 0, 0},
               {px.white, 0xFF, 0xFF, 0xCC}, {px.turquoise, 0x66, 0xFF, 0xCC}, {px.cursor, 0xFF, 0xFF, 0xCC}};
  for (const Want& w : wants) {
    XColor c = {};
    c.pixel = w.pixel;
    XQueryColor(ToolkitDisplay(), DefaultColormap(ToolkitDisplay(), DefaultScreen(ToolkitDisplay())), &c);
    EXPECT_NEAR(c.red >> 8, w.r, 8) << std::hex << w.pixel;
    EXPECT_NEAR(c.green >> 8, w.g, 8) << std::hex << w.pixel;
    EXPECT_NEAR(c.blue >> 8, w.b, 8) << std::hex << w.pixel;
  }

  // Text colours: "Sign On" white, "System" green, "Subsystem" red, "MENU" turquoise.
  EXPECT_GT(probe.count(1, 37, px.white), 0);
  EXPECT_EQ(probe.count(1, 37, px.green), 0);
  EXPECT_GT(probe.count(3, 3, px.green), 0);
  EXPECT_GT(probe.count(4, 3, px.red), 0);
  EXPECT_GT(probe.count(9, 53, px.turquoise), 0);
  EXPECT_GT(probe.count(11, 31, px.blue), 0);
  // Blank cells show the screen background.
  EXPECT_EQ(probe.count(2, 40, px.background), cw * ch);
  // Reverse image: the background of the cells is green.
  EXPECT_GT(probe.count(11, 3, px.green), cw * ch / 2);
  EXPECT_EQ(probe.count(11, 3 + 1, px.background) > 0, true);  // the letters show through
  // Underline: the input field's blank cells have a green bottom row.
  for (int dx = 0; dx < cw; ++dx) EXPECT_EQ(probe.at(6, 58, dx, underlineRow), px.green) << dx;
  EXPECT_EQ(probe.at(6, 58, cw / 2, ch / 2), px.background);
  // Column separators (attribute 0x30): a dot at the right edge of every
  // cell and the left edge of the first, none in between.
  EXPECT_EQ(probe.at(9, 60, cw - 1, underlineRow), px.turquoise);
  EXPECT_EQ(probe.at(9, 53, 0, underlineRow), px.turquoise);
  EXPECT_EQ(probe.at(9, 60, cw / 2, underlineRow), px.background);
  // A non-display field shows nothing of its data.
  for (int column = 53; column < 59; ++column) EXPECT_EQ(probe.count(7, column, px.background), cw * ch) << column;

  // The cursor at the user field, a bar (replace mode) in the cursor colour.
  EXPECT_TRUE(x.cursorDrawn());
  EXPECT_EQ(probe.at(6, 53, cw / 2, ch - 1), px.cursor);
  EXPECT_EQ(probe.at(6, 53, cw / 2, 0), px.background);

  // Screenshot for the documentation (depth 24 only).
  if (GetParam().depth == 24) {
    qwtest::Screenshot shot = qwtest::CaptureWindow(ToolkitDisplay(), XtWindow(x.shell()));
    ASSERT_FALSE(shot.empty());
    const char* dir = std::getenv("QW_SCREENSHOT_DIR");
    EXPECT_TRUE(qwtest::WritePng(shot, std::string(dir ? dir : ".") + "/sign-on.png"));
  }
}

TEST_P(PaintingTest, CursorStylesFollowInsertModeAndFocus) {
  Send(SignOnScreen());
  XStuff& x = block_->xstuff;
  const Pixels px = PixelsOf(drawing_);
  struct Case {
    int style;
    bool insert, focus;
    const char* shape;  // "block", "bar" or "hollow"
  } cases[] = {
      {2, false, true, "bar"},  {2, true, true, "block"}, {3, false, true, "block"}, {3, true, true, "bar"},
      {1, false, true, "block"}, {0, true, true, "bar"},   {1, false, false, "hollow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.style) + (c.insert ? " insert" : "") + (c.focus ? "" : " unfocused"));
    UpdateMiscellaneousPreference(block_, misc_pref::kCursorStyle, static_cast<unsigned char>(c.style));
    x.x_inserting(c.insert);
    x.SetFocus(c.focus ? 1 : 0);
    x.clearcurs(1);
    x.drawcurs(0);
    XSync(ToolkitDisplay(), False);
    CellProbe probe;
    ASSERT_NO_FATAL_FAILURE(Probe(&probe));
    const int cw = probe.cellWidth, ch = probe.cellHeight;
    const int cursorPixels = probe.count(6, 53, px.cursor);
    if (std::string(c.shape) == "block") {
      EXPECT_GT(cursorPixels, cw * ch / 2);
    } else if (std::string(c.shape) == "bar") {
      EXPECT_EQ(probe.at(6, 53, cw / 2, ch - 1), px.cursor);
      EXPECT_LT(cursorPixels, cw * ch / 2);
      EXPECT_GE(cursorPixels, cw * 2);
    } else {
      EXPECT_EQ(probe.at(6, 53, 0, ch / 2), px.cursor);
      EXPECT_EQ(probe.at(6, 53, cw / 2, ch / 2), px.background);
    }
  }
  x.SetFocus(1);
}

TEST_P(PaintingTest, ManyOrdersOneFlushAndRunsOfEqualAttributesOneTextCallEach) {
  XStuff& x = block_->xstuff;
  Bytes orders = B({0x04, 0x11, 0x00, 0x08});
  // 20 rows of alternating fields: an attribute and 8 letters, ten times a row.
  for (int row = 2; row <= 21; ++row) {
    orders = Cat({orders, Sba(row, 1)});
    for (int f = 0; f < 10; ++f) orders = Cat({orders, B({f % 2 ? 0x21 : 0x22}), Ebcdic("ABCDEFG")});
  }
  const XStuff::PaintStats before = x.paintStats();
  Send(orders);
  const XStuff::PaintStats after = x.paintStats();
  EXPECT_EQ(after.flushes, before.flushes + 1);
  // Each field is one run of its attribute (the attribute byte is a run of
  // its own): at most 20 runs per row and one for the cursor cell.
  EXPECT_LE(after.textCalls - before.textCalls, 20u * 21u + 2u);
  EXPECT_GE(after.textCalls - before.textCalls, 20u * 20u);
}

TEST_P(PaintingTest, ExposureRepaintsFromTheScreenCopy) {
  Send(SignOnScreen());
  XStuff& x = block_->xstuff;
  const Pixels px = PixelsOf(drawing_);
  Display* d = ToolkitDisplay();
  XClearWindow(d, XtWindow(drawing_));  // the contents are gone
  XSync(d, False);
  x.exposed();
  ASSERT_TRUE(RunUntil([&] { return !x.repaintPending(); }));
  XSync(d, False);
  CellProbe probe;
  ASSERT_NO_FATAL_FAILURE(Probe(&probe));
  EXPECT_GT(probe.count(1, 37, px.white), 0);
}

TEST_P(PaintingTest, ClearUnitLeavesNothingOfTheOldScreenPainted) {
  Send(SignOnScreen());
  const Pixels px = PixelsOf(drawing_);
  {
    CellProbe before;
    ASSERT_NO_FATAL_FAILURE(Probe(&before));
    ASSERT_GT(before.count(24, 3, px.white), 0) << "the copyright line is painted";
  }
  // The next screen writes row 1 only: every other row must show as blank.
  Send(Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), Sba(1, 2), B({0x20}), Ebcdic("Main Menu")}));
  CellProbe after;
  ASSERT_NO_FATAL_FAILURE(Probe(&after));
  EXPECT_GT(after.count(1, 3, px.green), 0);
  for (int column = 2; column <= 31; ++column) {
    const int cell = after.cellWidth * after.cellHeight;
    EXPECT_EQ(after.count(24, column, px.background), cell) << "row 24, column " << column;
    EXPECT_EQ(after.count(6, column + 16, px.background), cell) << "row 6, column " << column + 16;
  }
}

// Every depth in the C locale, and the usual depth in a UTF-8 locale.
INSTANTIATE_TEST_SUITE_P(Depths, PaintingTest,
                         ::testing::Values(Server{24, qwtest::TestLocale::C}, Server{16, qwtest::TestLocale::C},
                                           Server{8, qwtest::TestLocale::C}, Server{24, qwtest::TestLocale::Utf8}),
                         [](const ::testing::TestParamInfo<Server>& i) {
                           return "Depth" + std::to_string(i.param.depth) +
                                  (i.param.locale == qwtest::TestLocale::C ? "" : "Utf8");
                         });

}  // namespace
