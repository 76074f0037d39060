// A text-assist page painted in the session window: the loopback host sends
// the smallest text-assist records (a text screen, a scale line, 21 text
// lines and a read), and pixel probes find the status row's line number,
// the scale row's ruler with its margin and tab marks, the text, and the
// text symbols (tabs, carrier returns, required space, page end, stop code)
// drawn in their cells.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <Xm/Xm.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "display/DisplayBag.h"
#include "keyboard/TAXlate.h"
#include "session/AppResources.h"
#include "session/ResourceKeywords.h"
#include "session/MiscPreferenceUpdate.h"
#include "session/MiscPreferences.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestHost5250.h"
#include "tests/xpaint/TextSessionPainting.h"
#include "xfront/XStuff.h"

namespace {

using namespace paint_test;

class TextAssistPainting : public TextSessionPainting {
 protected:
  // The operator's switch that shows the text's symbols, as the display
  // station hands it to the window.
  void ShowTextSymbols() {
    DisplayBag& d = *block_->display;
    d.controlData().cycleTextSymbolsDisplayState();
    d.controlData().outputChanges();
    block_->xstuff.Flush_X5250(0);
    ASSERT_TRUE(RunUntil([&] { return !block_->xstuff.repaintPending(); }));
  }

  // The window's pixels, read after the window's text timer brought the
  // rows up to date.
  void Capture(CellProbe* probe) {
    DisplayBag& d = *block_->display;
    d.getRendering()->textTimer(d.textSession());
    XSync(ToolkitDisplay(), False);
    ReadWindow(probe);
  }
};

TEST_F(TextAssistPainting, APageWithItsStatusAndScaleRows) {
  Send(R1());
  DisplayBag& d = *block_->display;
  ASSERT_EQ(d.keyboardState().state(), KeyboardState::kWordProcessing);
  ASSERT_EQ(d.textSession()->cursorPos, 161u);
  CellProbe probe;
  Capture(&probe);
  ASSERT_NE(probe.image, nullptr);
  Pixel background = 0;
  XtVaGetValues(drawing_, XmNbackground, &background, nullptr);
  const int cell = probe.cellWidth * probe.cellHeight;
  auto inked = [&](int row, int column) { return probe.count(row, column, background) < cell; };
  // Status row: the line number at column 76.
  EXPECT_TRUE(inked(1, 76));
  EXPECT_FALSE(inked(1, 75));
  // Scale row: "<" at column 2, "T" at 10, ">" at 70, the ruler between,
  // nothing before the ruler or after its end.
  EXPECT_FALSE(inked(2, 1));
  for (int column : {2, 5, 10, 11, 70}) EXPECT_TRUE(inked(2, column)) << column;
  // The text and the rows below it.
  for (int column = 2; column <= 6; ++column) EXPECT_TRUE(inked(3, column)) << column;
  EXPECT_FALSE(inked(4, 2));
}

// A text line with every text symbol of the presentation space after
// "HELLO", drawn as symbols while ordinary text stays as it was.
TEST_F(TextAssistPainting, TextSymbolsAreDrawnInTheirCells) {
  // Row 4: "HELLO" in columns 2-6, then tab, required tab, required space,
  // required carrier return, page end, stop code and carrier return.
  Bytes lines = LineRecord({3, Bytes{0x00} + Ebc("HELLO WORLD") + Bytes{0x03}, 1}) +
                LineRecord({4, Bytes{0x00} + Ebc("HELLO") + Bytes{0x05, 0x02, 0x41, 0x06, 0x0C, 0x1E, 0x03}, 2});
  for (unsigned int r = 5; r <= 23; ++r) lines = lines + LineRecord({r, Bytes{0x00}, r - 2});
  Send(PageRecord(0x00, 0x80, ScaleLine(1, {{2, 1}, {10, 3}, {70, 2}}), lines, true));
  ASSERT_EQ(block_->display->keyboardState().state(), KeyboardState::kWordProcessing);

  Pixel background = 0;
  XtVaGetValues(drawing_, XmNbackground, &background, nullptr);
  // Until the operator's switch shows the text's symbols only the stop code
  // is drawn as a symbol.
  CellProbe before;
  Capture(&before);
  ASSERT_NE(before.image, nullptr);
  for (int column : {9, 10})
    EXPECT_EQ(before.count(4, column, background), before.cellWidth * before.cellHeight) << column;
  EXPECT_LT(before.count(4, 12, background), before.cellWidth * before.cellHeight);
  ShowTextSymbols();

  CellProbe probe;
  Capture(&probe);
  ASSERT_NE(probe.image, nullptr);
  // A point of the cell at fractions of its width and height, placed as
  // the painter places its strokes.
  auto at = [&](int row, int column, double fx, double fy) {
    return probe.at(row, column, static_cast<int>(fx * (probe.cellWidth - 1) + 0.5),
                    static_cast<int>(fy * (probe.cellHeight - 1) + 0.5));
  };
  struct Point {
    double x, y;
  };
  struct Case {
    const char* name;
    int column;
    std::vector<Point> inked, clear;
  };
  const Case cases[] = {
      {"tab", 7, {{0.9, 0.5}, {0.3, 0.5}}, {{0.3, 0.2}, {0.9, 0.1}}},
      {"required tab", 8, {{0.9, 0.5}, {0.0, 0.5}}, {{0.5, 0.25}}},
      {"required space", 9, {{0.5, 0.85}, {0.15, 0.7}}, {{0.5, 0.65}, {0.5, 0.3}}},
      {"required carrier return", 10, {{0.8, 0.4}, {0.0, 0.5}}, {{0.5, 0.3}}},
      {"page end", 11, {{0.5, 0.5}}, {{0.5, 0.05}, {0.95, 0.5}}},
      {"stop code", 12, {{0.25, 0.5}, {0.75, 0.5}}, {{0.5, 0.5}}},
      {"carrier return", 13, {{0.8, 0.4}, {0.5, 0.6}}, {{0.0, 0.5}, {0.5, 0.3}}},
  };
  for (const Case& c : cases) {
    for (const Point& p : c.inked) EXPECT_NE(at(4, c.column, p.x, p.y), background) << c.name << " " << p.x << "," << p.y;
    for (const Point& p : c.clear) EXPECT_EQ(at(4, c.column, p.x, p.y), background) << c.name << " " << p.x << "," << p.y;
  }
  // Before the switch no cell but the stop code's looked like this.
  auto sameCell = [&](int column) {
    for (int dy = 0; dy < probe.cellHeight; ++dy)
      for (int dx = 0; dx < probe.cellWidth; ++dx)
        if (probe.at(4, column, dx, dy) != before.at(4, column, dx, dy)) return false;
    return true;
  };
  for (const Case& c : cases) EXPECT_EQ(sameCell(c.column), c.column == 12) << c.name;
  // The carrier return after "HELLO WORLD" is the same symbol.
  for (int dy = 0; dy < probe.cellHeight; ++dy)
    for (int dx = 0; dx < probe.cellWidth; ++dx)
      ASSERT_EQ(probe.at(3, 13, dx, dy), probe.at(4, 13, dx, dy)) << dx << "," << dy;
  // Ordinary text is unchanged: "ELLO" of row 4 matches row 3 (the cursor
  // sits on row 3's "H").
  for (int column = 3; column <= 6; ++column)
    for (int dy = 0; dy < probe.cellHeight; ++dy)
      for (int dx = 0; dx < probe.cellWidth; ++dx)
        ASSERT_EQ(probe.at(3, column, dx, dy), probe.at(4, column, dx, dy)) << column << ":" << dx << "," << dy;
  // The blank after the symbols stays blank.
  EXPECT_EQ(probe.count(4, 14, background), probe.cellWidth * probe.cellHeight);

  // A block cursor on the tab shows the symbol in the cursor colours: the
  // strokes in the screen background, the rest of the cell in the cursor's.
  XStuff& x = block_->xstuff;
  UpdateMiscellaneousPreference(block_, misc_pref::kCursorStyle, 1);
  x.SetFocus(1);
  x.clearcurs(1);
  x.x_cursor(3 * 80 + 6);
  x.drawcurs(0);
  CellProbe cursor;
  Capture(&cursor);
  ASSERT_NE(cursor.image, nullptr);
  const Case& tab = cases[0];
  auto cursorAt = [&](double fx, double fy) {
    return cursor.at(4, tab.column, static_cast<int>(fx * (cursor.cellWidth - 1) + 0.5),
                     static_cast<int>(fy * (cursor.cellHeight - 1) + 0.5));
  };
  for (const Point& p : tab.inked) EXPECT_EQ(cursorAt(p.x, p.y), background) << p.x << "," << p.y;
  for (const Point& p : tab.clear) EXPECT_NE(cursorAt(p.x, p.y), background) << p.x << "," << p.y;

  qwtest::Screenshot shot = qwtest::CaptureWindow(ToolkitDisplay(), XtWindow(block_->xstuff.shell()));
  ASSERT_FALSE(shot.empty());
  const char* dir = std::getenv("QW_SCREENSHOT_DIR");
  EXPECT_TRUE(qwtest::WritePng(shot, std::string(dir ? dir : ".") + "/text-assist.png"));
}

// Blinking text in text assist: in the hidden phase a blinking symbol is
// gone with its cell's character, in the shown phase it is back.
TEST_F(TextAssistPainting, BlinkingSymbolsHideWithTheirText) {
  const auto blinking = AppResources().BLINKING_TEXT;
  AppResources().BLINKING_TEXT = QwEnable;
  // Row 4: a blink attribute (0x2A) in column 2, then a tab in column 3 and
  // "AB" in columns 4 and 5.
  Bytes lines = LineRecord({3, Bytes{0x00} + Ebc("HELLO") + Bytes{0x03}, 1}) +
                LineRecord({4, Bytes{0x00, 0x2A, 0x05} + Ebc("AB"), 2});
  for (unsigned int r = 5; r <= 23; ++r) lines = lines + LineRecord({r, Bytes{0x00}, r - 2});
  Send(PageRecord(0x00, 0x80, ScaleLine(1, {{2, 1}, {10, 3}, {70, 2}}), lines, true));
  ShowTextSymbols();
  Pixel background = 0;
  XtVaGetValues(drawing_, XmNbackground, &background, nullptr);
  XStuff& x = block_->xstuff;
  for (bool hidden : {true, false, true}) {
    SCOPED_TRACE(hidden ? "hidden" : "shown");
    ASSERT_TRUE(RunUntil([&] { return x.blinkingTextHidden() == hidden && !x.repaintPending(); }));
    CellProbe probe;
    XSync(ToolkitDisplay(), False);
    ReadWindow(&probe);
    ASSERT_NE(probe.image, nullptr);
    const int cell = probe.cellWidth * probe.cellHeight;
    for (int column : {3, 4, 5}) EXPECT_EQ(probe.count(4, column, background) == cell, hidden) << column;
    // Row 3 does not blink.
    EXPECT_LT(probe.count(3, 2, background), cell);
  }
  AppResources().BLINKING_TEXT = blinking;
}

}  // namespace
