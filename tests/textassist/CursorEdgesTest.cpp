// Cursor Left and Right where the cursor meets the edge of a text row: with
// host edges the host is told (AID 0xD9 at the left, 0xDA at the right, 0xDC
// up, 0xDB down) and the cursor stays; with a margin mark the cursor stops on
// the margin. In insert mode both keys skip the null run a tab left. Keys go
// through the input-object generator as the operator presses them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/textassist/TextRows.h"

namespace {

const FunctionWord kLeft = K(1, 2), kRight = K(1, 3), kFastLeft = K(1, 4), kFastRight = K(1, 5), kUp = K(1, 6),
                   kDown = K(1, 7), kInsert = K(3, 1);

// '_' null, '~' tab, '|' carrier return; letters as EBCDIC.
const RowAlphabet kRows{{{'_', 0x00}, {'~', 0x05}, {'|', 0x03}}};
Bytes Row(const std::string& text) { return kRows.encode(text); }

// Scale lines: 1 both margin marks (columns 2 and 70) and a left stop at
// column 20; 2 no margin marks and a left stop at column 10; 3 no margin
// marks and no stops (the margins fall back to columns 2 and 79).
Bytes Scales() {
  return ScaleLine(1, {{2, 1}, {20, 3}, {70, 2}}) + ScaleLine(2, {{10, 3}}) + ScaleLine(3, {{78, 11}});
}

// ctl2 bits carried in the line record's second byte (above the spacing).
constexpr unsigned char kContinuesRequiredTab = 0x40;  // ctl2 bit 30
constexpr unsigned char kContinuesRight = 0x10;        // ctl2 bit 28

struct EdgeCase {
  const char* name;
  bool hostEdges;
  unsigned char scaleId;  // of row 5
  unsigned char ctl2;     // of row 5
  const char* text;       // row 5
  bool insert;
  unsigned int row, column;  // the cursor before
  FunctionWord key;
  unsigned int rowAfter, columnAfter;
  unsigned char aid;   // 0: nothing sent
  unsigned int error;  // 0: none
};

const EdgeCase kCases[] = {
    // Host edges, a row with both margin marks: the cursor stops on them.
    {"left on the left margin stays", true, 1, 0, "_HELLO|", false, 5, 2, kLeft, 5, 2, 0, 0},
    {"fast left stops on the left margin", true, 1, 0, "_HELLO|", false, 5, 3, kFastLeft, 5, 2, 0, 0},
    {"left inside the row walks", true, 1, 0, "_HELLO|", false, 5, 5, kLeft, 5, 4, 0, 0},
    {"right on the right margin stays", true, 1, 0, "_HELLO|", false, 5, 70, kRight, 5, 70, 0, 0},
    {"fast right stops on the right margin", true, 1, 0, "_HELLO|", false, 5, 69, kFastRight, 5, 70, 0, 0},
    // Host edges, no margin marks: the host moves the cursor.
    {"left at the start of the text area", true, 3, 0, "_HELLO|", false, 5, 2, kLeft, 5, 2, 0xD9, 0},
    {"right on the row's last text position", true, 3, 0, "_HELLO|", false, 5, 79, kRight, 5, 79, 0xDA, 0},
    {"fast right past the last text position", true, 3, 0, "_HELLO|", false, 5, 78, kFastRight, 5, 78, 0xDA, 0},
    {"right inside the row walks", true, 3, 0, "_HELLO|", false, 5, 3, kRight, 5, 4, 0, 0},
    {"insert mode, continued row, null on the left", true, 3, kContinuesRequiredTab, "_____HELLO|", true, 5, 6,
     kLeft, 5, 6, 0xD9, 0},
    {"insert mode, continued row, text on the left walks", true, 3, kContinuesRequiredTab, "_AB__HELLO|", true, 5,
     6, kLeft, 5, 5, 0, 0},
    {"replace mode, continued row, null on the left walks", true, 3, kContinuesRequiredTab, "_____HELLO|", false, 5,
     6, kLeft, 5, 5, 0, 0},
    {"insert mode, row not continued, walks", true, 3, 0, "_____HELLO|", true, 5, 6, kLeft, 5, 5, 0, 0},
    {"insert mode, continued row, null on the right", true, 3, kContinuesRight, "_HELLO", true, 5, 6, kRight, 5, 6,
     0xDA, 0},
    {"replace mode, continued row, null on the right walks", true, 3, kContinuesRight, "_HELLO", false, 5, 6, kRight,
     5, 7, 0, 0},
    {"insert mode, row not continued on the right, walks", true, 3, 0, "_HELLO", true, 5, 6, kRight, 5, 7, 0, 0},
    // Host edges up and down.
    {"up from the first text row", true, 1, 0, "_HELLO|", false, 3, 5, kUp, 3, 5, 0xDC, 0},
    // Below the last text row only rows that are not text follow: the search
    // wraps round to the first text row.
    {"down from the last text row wraps", true, 1, 0, "_HELLO|", false, 23, 5, kDown, 3, 5, 0, 0},
    {"up onto the first text row", true, 1, 0, "_HELLO|", false, 4, 5, kUp, 3, 5, 0, 0},
    {"down inside the text", true, 1, 0, "_HELLO|", false, 5, 5, kDown, 6, 5, 0, 0},
    // Local wrap for contrast: the neighbouring row is entered.
    {"local wrap: left at the margin", false, 1, 0, "_HELLO|", false, 5, 2, kLeft, 4, 70, 0, 0},
    {"local wrap: right at the margin", false, 1, 0, "_HELLO|", false, 5, 70, kRight, 6, 2, 0, 0},
    // The null run a tab left (tab at column 4, its stop at column 20).
    {"insert mode: left skips the tab's nulls to the tab", false, 1, 0, "_AB~_______________CD|", true, 5, 20, kLeft,
     5, 4, 0, 0},
    {"insert mode: right skips the tab's nulls to its text", false, 1, 0, "_AB~_______________CD|", true, 5, 4, kRight,
     5, 20, 0, 0},
    {"insert mode: right with nothing after the tab goes to its stop", false, 1, 0, "_AB~", true, 5, 4, kRight, 5, 20,
     0, 0},
    {"insert mode: left inside the run goes back to the tab", false, 1, 0, "_AB~_______________CD|", true, 5, 12,
     kLeft, 5, 4, 0, 0},
    {"replace mode: left walks into the run", false, 1, 0, "_AB~_______________CD|", false, 5, 20, kLeft, 5, 19, 0,
     0},
    {"replace mode: right walks into the run", false, 1, 0, "_AB~_______________CD|", false, 5, 4, kRight, 5, 5, 0,
     0},
    {"insert mode: host edges skip the run as well", true, 1, 0, "_AB~_______________CD|", true, 5, 20, kLeft, 5, 4,
     0, 0},
    // Tabbed text continued from the row above without a left-margin mark:
    // the run has no start here, the host moves the cursor.
    {"insert mode: continued tabbed text without a start", false, 2, kContinuesRequiredTab, "_________AB|", true, 5,
     10, kLeft, 5, 10, 0xD9, 0},
};

void Load(TextStation& s, const EdgeCase& c) {
  Bytes lines;
  for (unsigned int r = 3; r <= 23; ++r) {
    TextLine l{r, Bytes{0x00}, r - 2};
    if (r == 5) {
      l.text = Row(c.text);
      l.scaleId = c.scaleId;
      l.spacing = static_cast<unsigned char>(c.ctl2 | 2);
    }
    lines = lines + LineRecord(l);
  }
  ASSERT_EQ(s.run(Wsf(Dftxt(c.hostEdges ? 0x10 : 0x00, 0x80) + Dfscl(Scales()) + Wrtxt(0x80, 0x00, 0x08, 3, 2, lines) +
                      Rdtxt())),
            0u);
}

TEST(CursorEdges, LeftAndRightAtTheEdgesOfARow) {
  for (const EdgeCase& c : kCases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    Load(s, c);
    if (c.insert) s.key(kInsert);
    s.text()->moveCursor(s.offset(c.row, c.column), Plane0);
    const Bytes row5 = s.row(5);
    ASSERT_TRUE(s.host.sent.empty());
    s.key(c.key);
    EXPECT_EQ(s.text()->cursorPos, s.offset(c.rowAfter, c.columnAfter))
        << "at row " << s.text()->cursorPos / 80 + 1 << " column " << s.text()->cursorPos % 80 + 1;
    // Moving never changes the text.
    EXPECT_EQ(s.row(5), row5);
    s.expectOutcome(c.aid, c.error);
  }
}

}  // namespace

namespace {

// Under a bidirectional host editor, Cursor Left landing on a segment's
// begin marker in plane 0 works inside the segment from then on.
TEST(CursorEdges, LeftOntoASegmentBeginWorksInsideIt) {
  struct Case {
    const char* name;
    unsigned char defFlags;
    bool inside;
  };
  const Case cases[] = {
      {"bidirectional host editor", 0x01, true},
      {"plain host editor", 0x00, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    Bytes lines = PageLines(Bytes{0x00} + Ebc("AB") + Bytes{0x0B} + Ebc("CD") + Bytes{0x0D, 0x03});
    ASSERT_EQ(s.run(PageRecord(c.defFlags, 0x80, ScaleLine(1, {{2, 1}, {70, 2}}), lines)), 0u);
    s.text()->moveCursor(s.offset(3, 5), Plane0);
    ASSERT_EQ(s.screen(s.offset(3, 4), 1), Bytes{0x0B});
    s.key(kLeft);
    EXPECT_EQ(s.text()->cursorPos, s.offset(3, 4));
    EXPECT_EQ((s.text()->stateWord() & (1u << 19)) != 0, c.inside);
  }
}

}  // namespace

namespace {

// A hanging indent (row 5's left-margin offset 3: its text starts at column
// 5): with host edges the cursor stops on the indented margin, with local
// wrap it leaves for the row above from there.
TEST(CursorEdges, AHangingIndentIsTheRowsLeftEdge) {
  struct Case {
    const char* name;
    bool hostEdges;
    unsigned int row, column;
    FunctionWord key;
    unsigned int rowAfter, columnAfter;
  };
  const Case cases[] = {
      {"host edges: left on the indented margin stays", true, 5, 5, kLeft, 5, 5},
      {"host edges: left inside walks", true, 5, 7, kLeft, 5, 6},
      {"host edges: fast left stops on the indented margin", true, 5, 7, kFastLeft, 5, 5},
      {"local wrap: left on the indented margin goes to the row above", false, 5, 5, kLeft, 4, 70},
      {"local wrap: right on the row above's margin enters at the indent", false, 4, 70, kRight, 5, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    Bytes lines;
    for (unsigned int r = 3; r <= 23; ++r) {
      Bytes record = LineRecord({r, r == 5 ? Ebc("    HELLO") : Bytes{0x00}, r - 2});
      if (r == 5) record[1 + 10] = 3;  // the left-margin offset
      lines = lines + record;
    }
    ASSERT_EQ(s.run(PageRecord(c.hostEdges ? 0x10 : 0x00, 0x80, Scales(), lines, true)), 0u);
    s.text()->moveCursor(s.offset(c.row, c.column), Plane0);
    s.key(c.key);
    EXPECT_EQ(s.text()->cursorPos, s.offset(c.rowAfter, c.columnAfter));
    EXPECT_TRUE(s.host.sent.empty());
    EXPECT_FALSE(s.text()->errorFlag());
  }
}

}  // namespace
