// The session window's screen copy without a display: the bounds of x_write,
// non-display cells, the monochrome mask, the dirty range and its row spans,
// the row/column text, the mouse filter, colour helpers and the hex action's
// parameter.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <vector>

#include "xfront/ActionProcedures.h"
#include "xfront/ClickState.h"
#include "xfront/ColorAllocation.h"
#include "xfront/ScreenRepaint.h"
#include "xfront/XStuff.h"

namespace {

TEST(WindowScreenCopy, WritesInsideTheScreenAreTakenAndOthersRefused) {
  XStuff x(nullptr);
  x.setColorDisplay(true);
  const unsigned char text[3] = {'A', 'B', 'C'};
  const unsigned short attrs[3] = {0x000C, 0x004C, 0x000F};
  struct Case {
    int pos, len;
    bool taken;
  } cases[] = {
      {0, 3, true}, {1917, 3, true},  // ends on the last cell
      {1918, 3, false}, {1920, 1, false}, {-1, 1, false}, {0, 1921, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pos << "+" << c.len);
    XStuff w(nullptr);
    w.setColorDisplay(true);
    std::vector<unsigned char> chars(static_cast<size_t>(std::max(c.len, 3)), 'Z');
    std::vector<unsigned short> a(chars.size(), 0x000C);
    w.x_write(c.pos, chars.data(), a.data(), c.len, 1);
    EXPECT_EQ(!w.dirtyRange().empty(), c.taken);
    if (c.taken) {
      EXPECT_EQ(w.dirtyRange().low, c.pos);
      EXPECT_EQ(w.dirtyRange().high, c.pos + c.len);
      EXPECT_EQ(w.characterMirror()[c.pos + c.len - 1], 'Z');
    }
  }
  // One attribute for all cells, or one per cell.
  x.x_write(10, text, attrs, 3, 0);
  EXPECT_EQ(x.attributeMirror()[12], 0x000C);
  x.x_write(10, text, attrs, 3, 1);
  EXPECT_EQ(x.attributeMirror()[11], 0x004C);
}

TEST(WindowScreenCopy, NonDisplayCellsAreBlankAndMonochromeKeepsNonDisplay) {
  struct Case {
    bool colour;
    unsigned short in, kept;
  } cases[] = {
      {true, 0x01EF, 0x01EF},   {false, 0x01EF, 0x00C1},  // colour, blink, separators dropped
      {false, 0x4080, 0x4080},  // non-display survives the mask
      {false, 0x001F, 0x0001},  // only the intensity bit of the colour
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.in);
    XStuff x(nullptr);
    x.setColorDisplay(c.colour);
    const unsigned char ch = 'Q';
    x.x_write(5, &ch, &c.in, 1, 1);
    EXPECT_EQ(x.attributeMirror()[5], c.kept);
    EXPECT_EQ(x.characterMirror()[5], (c.in & 0x4000) ? ' ' : 'Q');
  }
}

TEST(WindowScreenCopy, AFlushPaintsTheWholeBurstOnce) {
  XStuff x(nullptr);
  const unsigned char ch = 'Q';
  const unsigned short a = 0x000C;
  for (int pos : {400, 10, 1500, 81}) x.x_write(pos, &ch, &a, 1, 1);
  EXPECT_EQ(x.dirtyRange().low, 10);
  EXPECT_EQ(x.dirtyRange().high, 1501);
  x.x_write(0, &ch, &a, 0, 1);  // nothing more
  EXPECT_EQ(x.dirtyRange().low, 10);
  x.Flush_X5250(0);
  EXPECT_TRUE(x.dirtyRange().empty());
  EXPECT_EQ(x.paintStats().flushes, 1u);
  EXPECT_EQ(x.paintStats().rows, 19u - 0u);  // rows 0 to 18
  x.Flush_X5250(0);
  EXPECT_EQ(x.paintStats().flushes, 1u);  // nothing dirty: nothing painted
  x.x_ding(1);
  x.Flush_X5250(0);  // an empty flush still rings a pending bell, once
  EXPECT_EQ(x.paintStats().bells, 1u);
  EXPECT_EQ(x.paintStats().flushes, 1u);
}

TEST(WindowScreenCopy, CursorMovesUpdateTheRowColumnText) {
  XStuff x(nullptr);
  x.x_cursor(0);
  EXPECT_EQ(x.rowColumnText(), " 1/1  ");
  x.x_cursor(1919);
  EXPECT_EQ(x.rowColumnText(), "24/80 ");
  x.x_cursor(1920);  // outside: ignored
  EXPECT_EQ(x.cursorPosition(), 1919);
}

TEST(ScreenRepaint, RowSpansCoverTheDirtyRange) {
  struct Case {
    int low, high;
    std::vector<std::vector<int>> spans;  // row, startColumn, start, end
  } cases[] = {
      {5, 6, {{0, 5, 5, 6}}},
      {75, 165, {{0, 75, 75, 80}, {1, 0, 80, 160}, {2, 0, 160, 165}}},
      {80, 160, {{1, 0, 80, 160}}},
      {1919, 1920, {{23, 79, 1919, 1920}}},
  };
  for (const Case& c : cases) {
    DirtyRange r{c.low, c.high};
    std::vector<std::vector<int>> got;
    RowSpan s{};
    while (NextRowSpan(r, 80, &s)) got.push_back({s.row, s.startColumn, s.start, s.end});
    EXPECT_EQ(got, c.spans) << c.low << "-" << c.high;
    EXPECT_TRUE(r.empty());
  }
  EXPECT_EQ(RowColumnText(80 * 9 + 11, 80), "10/12 ");
  EXPECT_EQ(RowColumnText(26 * 132 + 131, 132), "27/132");
}

TEST(ClickState, DoublePressesMotionAndConsumedPresses) {
  struct Step {
    int kind;
    unsigned long time;
    int x, y, cell;
    int code;  // -1 dropped
  } steps[] = {
      {1, 1000, 10, 10, 0, 1},   // press
      {2, 1050, 10, 10, 0, 2},   // release
      {0, 1150, 40, 10, 3, -1},  // motion 100 ms after the release: dropped
      {1, 1200, 10, 10, 0, 3},   // 200 ms after the first press: double
      {1, 1400, 10, 10, 0, 1},   // after a double: single again
      {0, 2000, 12, 11, 0, -1},  // same cell, moved less than a fifth
      {0, 2010, 30, 11, 2, 0},   // another cell
      {4, 3000, 30, 11, 2, 4},   // button 2
      {4, 3500, 30, 11, 2, 4},   // too late for a double
  };
  ClickState state;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.time);
    MouseSample m{s.kind, s.time, s.cell, s.x, s.y, 0, 0, 0};
    EXPECT_EQ(state.classify(m, 10, 20, 250, nullptr), s.code);
  }
  // The press that closed a menu is dropped once.
  unsigned long consumed = 5000;
  MouseSample press{1, 5000, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(state.classify(press, 10, 20, 250, &consumed), -1);
  EXPECT_EQ(consumed, 0u);
  // Each window has its own state: a press in another window is no double.
  ClickState other;
  MouseSample a{1, 6000, 0, 0, 0, 0, 0, 0}, b{1, 6100, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(state.classify(a, 10, 20, 250, nullptr), 1);
  EXPECT_EQ(other.classify(b, 10, 20, 250, nullptr), 1);
}

TEST(ColorAllocation, Rgb565AndBestFit) {
  EXPECT_EQ(ComposeRgb565(0xFFFF, 0, 0), 0xF800u);
  EXPECT_EQ(ComposeRgb565(0, 0xFFFF, 0), 0x07E0u);
  EXPECT_EQ(ComposeRgb565(0, 0, 0xFFFF), 0x001Fu);
  EXPECT_EQ(ComposeRgb565(0x6666, 0xFFFF, 0xCCCC), 0x67F9u);
  auto c = [](unsigned long pixel, unsigned short r, unsigned short g, unsigned short b) {
    XColor x = {};
    x.pixel = pixel;
    x.red = r;
    x.green = g;
    x.blue = b;
    x.flags = DoRed | DoGreen | DoBlue;
    return x;
  };
  const XColor cells[] = {c(0, 0, 0, 0), c(1, 0xFF00, 0, 0), c(2, 0xF000, 0x1000, 0), c(3, 0xFF00, 0x0100, 0)};
  XColor want = c(0, 0xFF00, 0x0800, 0);
  EXPECT_EQ(BestFitCell(want, cells, 4), 1);  // distance 8: first below 26 wins
  want = c(0, 0x8000, 0x8000, 0x8000);
  EXPECT_EQ(BestFitCell(want, cells, 4), 2);
  want.flags = DoRed;
  EXPECT_EQ(BestFitCell(want, cells, 4), -1);
  EXPECT_STREQ(DefaultColorScheme()[5], "#00ff00");
  EXPECT_STREQ(DefaultColorScheme()[2], "#000000");
}

TEST(ActionProcedures, HexParameters) {
  struct Case {
    const char* text;
    bool ok;
    std::vector<unsigned char> bytes;
  } cases[] = {
      {"C1C2", true, {0xC1, 0xC2}}, {"c1 c2", true, {0xC1, 0xC2}}, {"F7", true, {0xF7}},
      {"ABC", true, {0x0A, 0xBC}},   {"4G", false, {}},             {"   ", false, {}},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> bytes;
    EXPECT_EQ(ParseHexParameter(c.text, &bytes), c.ok) << c.text;
    if (c.ok) EXPECT_EQ(bytes, c.bytes) << c.text;
  }
  // At most 78 characters are read.
  std::string longText(100, 'A');
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(ParseHexParameter(longText.c_str(), &bytes));
  EXPECT_EQ(bytes.size(), 39u);
}

}  // namespace
