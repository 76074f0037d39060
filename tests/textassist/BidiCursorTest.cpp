// The cursor keys, backspace and the shape keys on right-to-left lines
// under a bidirectional host editor, and on lines with pushed segments
// (0x0B ... 0x0D). Each page comes from real host records; the keys go
// through the input-object generator. A right-to-left line is shown from
// the row's end leftwards: with the scale line's margins at columns 2 and
// 70 its text runs from column 79 (its start) down to column 11 (its end).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/ASD.h"
#include "tests/textassist/TextRows.h"
#include "textassist/ASDInfoWP.h"
#include "textassist/TextSession.h"

namespace {

const FunctionWord kNewline = K(1, 1), kLeft = K(1, 2), kRight = K(1, 3), kFastLeft = K(1, 4),
                   kFastRight = K(1, 5), kUp = K(1, 6), kDown = K(1, 7), kBackspace = K(1, 8),
                   kBacktab = K(1, 9), kTab = K(1, 10), kHome = K(1, 13), kBeginOfLine = K(1, 16),
                   kEndOfLine = K(1, 17);
const FunctionWord kInsert = K(3, 1), kReset = K(4, 1), kHelp = K(6, 7);
// The shape keys: base, Farsi base, final, initial, middle.
const FunctionWord kShapeKeys[] = {K(3, 7), K(3, 21), K(3, 20), K(3, 18), K(3, 19)};

// DFTXT byte 5.
constexpr unsigned char kBidi = 0x01, kReversedRows = 0x02, kRestricted = 0x08, kHostEdges = 0x10;
// Line control byte 4 (a midrange host's line flags).
constexpr unsigned char kRtl = 0x80, kMarkers = 0x20;

constexpr unsigned char kBegin = 0x0B, kEnd = 0x0D;

struct Row {
  unsigned int row;
  unsigned char flags;    // line control byte 4
  Bytes text;             // in reading order, from the row's first column
  unsigned char spacing = 2;  // line control byte 1: 0x10 the line continues to the right
};

// A text page: scale line 1 with margins (columns 2 and 70) or without,
// the given rows and plain left-to-right rows elsewhere, a non-text prompt
// row 24, and a read.
// With an in-line command field of five columns the left margin is at
// column 8.
Bytes Page(unsigned char defFlags, bool marks, const std::vector<Row>& rows, unsigned char commandField = 0) {
  const unsigned char left = commandField ? 8 : 2;
  const Bytes scale = marks ? ScaleLine(1, {{left, 1}, {70, 2}}) : ScaleLine(1, {{40, 3}});
  const Bytes definition = commandField ? Dftxt(defFlags, 0x80, {0x00, 21, 0x00, 0x00, commandField})
                                        : Dftxt(defFlags, 0x80);
  Bytes lines;
  for (unsigned int r = 3; r <= 23; ++r) {
    TextLine l{r, Bytes{0x00}, r - 2};
    for (const Row& w : rows)
      if (w.row == r) {
        l.text = w.text;
        l.byte4 = w.flags;
        l.spacing = w.spacing;
      }
    lines = lines + LineRecord(l);
  }
  TextLine prompt{24, Bytes{0x00}, 0};
  prompt.ctl = 0xA0;  // cleared, not a text line
  lines = lines + LineRecord(prompt);
  return Wsf(definition + Dfscl(scale) + Wrtxt(0x80, 0x00, 0x08, 3, left, lines) + Rdtxt());
}

struct Setup {
  unsigned char defFlags;
  bool marks;
  std::vector<Row> rows;
  unsigned char commandField = 0;
};

// "ABCDE" on right-to-left row 3: A at column 79 down to E at column 75.
const Bytes kAbcde = Bytes{0x00} + Ebc("ABCDE");
// "AB[XYZ]CD": on a right-to-left row A 79, B 78, [ 77, Z 76, Y 75, X 74,
// ] 73, C 72, D 71; on a left-to-right row A 2, B 3, [ 4, Z 5, Y 6, X 7,
// ] 8, C 9, D 10.
const Bytes kSegment = Bytes{0x00} + Ebc("AB") + Bytes{kBegin} + Ebc("XYZ") + Bytes{kEnd} + Ebc("CD");

const Setup kLocal{kBidi, true, {{3, kRtl, kAbcde}, {4, kRtl, {0x00}}, {6, kRtl, {0x00}}}};
const Setup kRestrictedPage{kBidi | kRestricted, true, {{3, kRtl, kAbcde}, {4, kRtl, {0x00}}}};
const Setup kReversed{kBidi | kReversedRows, true, {{3, kRtl, kAbcde}, {4, kRtl, {0x00}}}};
const Setup kEdgesNoMarks{kBidi | kHostEdges, false, {{3, kRtl, kAbcde}, {4, kRtl, {0x00}, 0x12}}};
const Setup kEdgesMarks{kBidi | kHostEdges, true, {{3, kRtl, kAbcde}}};
const Setup kRtlSegments{kBidi, true, {{3, kRtl | kMarkers, kSegment}}};
const Setup kLtrSegments{kBidi, true, {{3, kMarkers, kSegment}}};
// Five columns of command field ("PQRST") kept at the left of a
// right-to-left row: the mirrored margins are at columns 78 and 16, "ABCDE"
// from column 78 down to 74.
const Bytes kFieldAbcde = Ebc("PQRST") + Bytes{0x00, 0x00} + Ebc("ABCDE");
const Setup kCommandField{kBidi, true, {{3, kRtl, kFieldAbcde}}, 5};
const Setup kCommandFieldReversed{kBidi | kReversedRows, true, {{3, kRtl, kFieldAbcde}}, 5};

struct MoveCase {
  const char* name;
  const Setup* page;
  unsigned int row, column;  // the cursor before
  Keys before;
  FunctionWord key;
  unsigned int toRow, toColumn;
  bool segmentEnd;           // modes bit 19 afterwards
  unsigned char aid;         // 0: nothing sent
  unsigned int error;
};

const MoveCase kMoves[] = {
    // Local wrap.
    {"left goes towards the text's end", &kLocal, 3, 79, {}, kLeft, 3, 78, false, 0, 0},
    {"right goes towards the text's start", &kLocal, 3, 77, {}, kRight, 3, 78, false, 0, 0},
    {"fast left moves one position", &kLocal, 3, 79, {}, kFastLeft, 3, 78, false, 0, 0},
    {"fast right moves one position", &kLocal, 3, 77, {}, kFastRight, 3, 78, false, 0, 0},
    {"left at the text's end enters the next row at its start", &kLocal, 3, 11, {}, kLeft, 4, 79, false, 0, 0},
    {"right at the text's start enters the previous row at its end", &kLocal, 4, 79, {}, kRight, 3, 11, false, 0,
     0},
    {"left at the end onto a left-to-right row: its left margin", &kLocal, 4, 11, {}, kLeft, 5, 2, false, 0, 0},
    {"right at the start below a left-to-right row: its left margin", &kLocal, 6, 79, {}, kRight, 5, 2, false, 0,
     0},
    {"right beyond the text's end comes back to it", &kLocal, 3, 5, {}, kRight, 3, 11, false, 0, 0},
    {"left beyond the text's start comes back to it", &kLocal, 3, 80, {}, kLeft, 3, 79, false, 0, 0},
    {"end of line goes to the line's start at the right", &kLocal, 3, 40, {}, kEndOfLine, 3, 79, false, 0, 0},
    {"begin of line goes to the last character at the left", &kLocal, 3, 79, {}, kBeginOfLine, 3, 75, false, 0, 0},
    {"restricted editing: left at the end goes to the next editable row", &kRestrictedPage, 3, 11, {}, kLeft, 4, 79,
     false, 0, 0},
    {"restricted editing: right inside the line", &kRestrictedPage, 3, 77, {}, kRight, 3, 78, false, 0, 0},
    {"reversed row order: left at the end goes to the row above", &kReversed, 4, 11, {}, kLeft, 3, 79, false, 0, 0},
    // Host edges.
    {"host edges without marks: left at the text area's end sends 0xDA", &kEdgesNoMarks, 3, 2, {}, kLeft, 3, 2,
     false, 0xDA, 0},
    {"host edges without marks: right at the text area's start sends 0xD9", &kEdgesNoMarks, 3, 79, {}, kRight, 3, 79,
     false, 0xD9, 0},
    {"host edges without marks: left inside the line moves", &kEdgesNoMarks, 3, 40, {}, kLeft, 3, 39, false, 0, 0},
    {"host edges without marks: right over text moves", &kEdgesNoMarks, 3, 76, {}, kRight, 3, 77, false, 0, 0},
    {"host edges, insert mode: left onto a null of a continued line sends 0xDA", &kEdgesNoMarks, 4, 50, {kInsert},
     kLeft, 4, 50, false, 0xDA, 0},
    {"host edges with marks: left stops at the text's end", &kEdgesMarks, 3, 11, {}, kLeft, 3, 11, false, 0, 0},
    {"host edges with marks: right stops at the text's start", &kEdgesMarks, 3, 79, {}, kRight, 3, 79, false, 0, 0},
    // Segments of a right-to-left line.
    {"on the begin marker, left turns into the segment", &kRtlSegments, 3, 77, {}, kLeft, 3, 77, true, 0, 0},
    {"inside, left goes on into the segment", &kRtlSegments, 3, 77, {kLeft}, kLeft, 3, 76, false, 0, 0},
    {"left steps over an end marker", &kRtlSegments, 3, 74, {}, kLeft, 3, 72, false, 0, 0},
    {"left on an end marker goes to the segment's start", &kRtlSegments, 3, 73, {}, kLeft, 3, 76, false, 0, 0},
    {"inside the begin marker, right turns back out", &kRtlSegments, 3, 77, {kLeft}, kRight, 3, 77, false, 0, 0},
    {"right steps over an end marker", &kRtlSegments, 3, 72, {}, kRight, 3, 74, false, 0, 0},
    {"right on an end marker goes to the begin marker", &kRtlSegments, 3, 73, {}, kRight, 3, 77, false, 0, 0},
    {"right onto the begin marker stands inside", &kRtlSegments, 3, 76, {}, kRight, 3, 77, true, 0, 0},
    {"fast right over the segment's last character", &kRtlSegments, 3, 76, {}, kFastRight, 3, 77, true, 0, 0},
    // Segments of a left-to-right line.
    {"left to right: right on the begin marker turns into the segment", &kLtrSegments, 3, 4, {}, kRight, 3, 4, true,
     0, 0},
    {"left to right: left onto the begin marker stands inside", &kLtrSegments, 3, 5, {}, kLeft, 3, 4, true, 0, 0},
    {"left to right: inside the begin marker, left turns back out", &kLtrSegments, 3, 4, {kRight}, kLeft, 3, 4, false,
     0, 0},
    {"left to right: left steps over an end marker", &kLtrSegments, 3, 9, {}, kLeft, 3, 7, false, 0, 0},
    {"left to right: left on an end marker goes to the begin marker", &kLtrSegments, 3, 8, {}, kLeft, 3, 4, true, 0,
     0},
    {"left to right: right steps over an end marker", &kLtrSegments, 3, 7, {}, kRight, 3, 9, false, 0, 0},
    {"left to right: right on an end marker goes into the segment", &kLtrSegments, 3, 8, {}, kRight, 3, 5, false, 0,
     0},
    {"left to right: fast left moves one position", &kLtrSegments, 3, 10, {}, kFastLeft, 3, 9, false, 0, 0},
    // The in-line command field runs left to right.
    {"command field: end of line goes to the mirrored start", &kCommandField, 3, 40, {}, kEndOfLine, 3, 78, false, 0,
     0},
    {"command field: begin of line goes to the last character", &kCommandField, 3, 40, {}, kBeginOfLine, 3, 74,
     false, 0, 0},
    {"command field: left at the text's end enters the next row's start", &kCommandField, 3, 16, {}, kLeft, 4, 8,
     false, 0, 0},
    {"command field: right at the first row's start wraps to the last row's left margin", &kCommandField, 3, 78, {},
     kRight, 23, 8, false, 0, 0},
    {"command field: right inside it", &kCommandField, 3, 2, {}, kRight, 3, 3, false, 0, 0},
    {"command field: right at its end goes to the next row's first position", &kCommandField, 3, 5, {}, kRight, 4,
     1, false, 0, 0},
    {"command field: left inside it", &kCommandField, 3, 3, {}, kLeft, 3, 2, false, 0, 0},
    {"command field: left at its start goes to the row above at its right-margin column", &kCommandField, 4, 1, {}, kLeft, 3, 70,
     false, 0, 0},
    {"command field, reversed row order: left at its start goes to the row below's field end",
     &kCommandFieldReversed, 4, 1, {}, kLeft, 5, 5, false, 0, 0},
    {"command field: backspace works left to right", &kCommandField, 3, 3, {}, kBackspace, 3, 2, false, 0, 0},
    // Backspace.
    {"backspace takes the character to the right", &kLocal, 3, 77, {}, kBackspace, 3, 78, false, 0, 0},
    {"backspace at the line's start joins the previous line", &kLocal, 4, 79, {}, kBackspace, 3, 75, false, 0, 0},
    {"backspace outside the margins", &kLocal, 3, 80, {}, kBackspace, 3, 80, false, 0, 72},
    {"backspace at the first text row's start", &kLocal, 3, 79, {}, kBackspace, 3, 79, false, 0, 72},
};

TEST(BidiCursor, KeysOnRightToLeftLinesAndSegments) {
  for (const MoveCase& c : kMoves) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(Page(c.page->defFlags, c.page->marks, c.page->rows, c.page->commandField)), 0u);
    TextSession& t = *s.text();
    t.moveCursor(s.offset(c.row, c.column), Plane0);
    for (FunctionWord w : c.before) s.key(w);
    ASSERT_FALSE(t.errorFlag()) << t.lastOperatorError();
    ASSERT_TRUE(s.host.sent.empty());
    s.key(c.key);
    EXPECT_EQ(t.cursorPos, s.offset(c.toRow, c.toColumn))
        << "row " << t.cursorPos / 80 + 1 << " column " << t.cursorPos % 80 + 1;
    EXPECT_EQ(s.display.cursor().getCursorOffset(), t.cursorPos);
    EXPECT_EQ((t.modes & text_mode::kSegmentEnd) != 0, c.segmentEnd);
    if (c.aid) {
      ASSERT_EQ(s.host.sent.size(), 1u);
      EXPECT_EQ(s.host.sent[0][2], c.aid);
    } else {
      EXPECT_TRUE(s.host.sent.empty());
    }
    EXPECT_EQ(t.errorFlag(), c.error != 0);
    if (c.error) EXPECT_EQ(t.lastOperatorError(), c.error);
  }
}

// The cursor runs the way of the text it stands in.
TEST(BidiCursor, TheCursorDirectionFollowsTheSegment) {
  TextStation s;
  ASSERT_EQ(s.run(Page(kBidi, true, kRtlSegments.rows)), 0u);
  auto rtl = [&] { return (s.display.modeFlagsA() & DisplayBag::kARTLCursor) != 0; };
  s.text()->moveCursor(s.offset(3, 78), Plane0);
  EXPECT_TRUE(rtl());
  s.key(kLeft);  // onto the begin marker: still outside
  EXPECT_TRUE(rtl());
  s.key(kLeft);  // into the segment
  EXPECT_FALSE(rtl());
  s.key(kLeft);
  EXPECT_EQ(s.text()->cursorPos, s.offset(3, 76));
  EXPECT_FALSE(rtl());
}

// What backspace leaves on the row, read from column 80 leftwards.
TEST(BidiCursor, BackspaceClosesTheLineUpToTheRight) {
  struct Case {
    const char* name;
    unsigned int row, column;
    const char* row3;  // columns 80 down to 74
    const char* row4;
  };
  const Case cases[] = {
      {"B goes", 3, 77, "_ACDE__", "_______"},
      {"E goes from after the text", 3, 74, "_ABCD__", "_______"},
      {"joining takes the previous line's last character", 4, 79, "_ABCD__", "_______"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(Page(kBidi, true, kLocal.rows)), 0u);
    s.text()->moveCursor(s.offset(c.row, c.column), Plane0);
    s.key(kBackspace);
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    auto shown = [&](unsigned int row) {
      std::string out;
      for (unsigned int col = 80; col >= 74; --col) {
        const unsigned char b = s.screen(s.offset(row, col), 1)[0];
        out.push_back(b == 0 ? '_' : static_cast<char>('A' + (b - 0xC1)));
      }
      return out;
    };
    EXPECT_EQ(shown(3), c.row3);
    EXPECT_EQ(shown(4), c.row4);
    EXPECT_TRUE(s.text()->lineTable[2].ctl & line_ctl::kChanged) << "row 3 is marked changed";
  }
}

// The prompt row during right-to-left prompt input: the input runs from
// promptInputStart (column 76, left of the four-letter prompt) leftwards
// to the row's second column.
TEST(BidiCursor, PromptRowWraps) {
  struct Case {
    const char* name;
    unsigned int column;
    FunctionWord key;
    unsigned int to;
  };
  const Case cases[] = {
      {"left past the input's end wraps to its start", 2, kLeft, 76},
      {"left inside the input", 50, kLeft, 49},
      {"right inside the input", 50, kRight, 51},
      {"right past the input's start stays there", 76, kRight, 76},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(Page(kBidi, true, kLocal.rows)), 0u);
    TextSession& t = *s.text();
    const Bytes prompt = Ebc("FIND");
    t.genPromptFunc(0x01, prompt.data(), 4, true);
    ASSERT_EQ(t.promptInputStart, s.offset(24, 76));
    t.moveCursor(s.offset(24, c.column), Plane0);
    s.key(c.key);
    EXPECT_EQ(t.cursorPos, s.offset(24, c.to));
    EXPECT_FALSE(t.errorFlag()) << t.lastOperatorError();
    EXPECT_TRUE(s.host.sent.empty());
  }
}

// Arabic shaping on a right-to-left line: CP420 beh is 0x58 alone or at a
// word's end and 0x59 at its start or inside; a seen (0x77) alone takes a
// tail (0x45) after it.
constexpr unsigned char kBeh = 0x58, kBehJoined = 0x59, kSeen = 0x77;

class ShapingPage {
 public:
  ShapingPage(const Bytes& text, unsigned int column, unsigned int language, bool shapedFlag) {
    ok = s.run(Page(kBidi, true, {{3, kRtl, Bytes{0x00} + text}, {4, kRtl, {0x00}}})) == 0;
    s.display.asd().setASDLanguage(language);
    if (shapedFlag) s.text()->textFlagsA |= 1u << 13;
    s.text()->moveCursor(s.offset(3, column), Plane0);
  }
  // Row 3 from column 79 leftwards, n positions.
  Bytes logical(unsigned int n) {
    Bytes out;
    for (unsigned int i = 0; i < n; ++i) out.push_back(s.screen(s.offset(3, 79 - i), 1)[0]);
    return out;
  }
  TextStation s;
  bool ok = false;
};

TEST(BidiCursor, ShapeKeysReshapeTheTextAfterTheCursor) {
  struct Case {
    const char* name;
    unsigned int language;
    bool shapedFlag;
    Bytes after;  // row 3 from column 79
    bool forced;  // the shaper holds the key's forced shape
  };
  const Bytes two{kBeh, kBeh};
  const Case cases[] = {
      {"Arabic", ASD::kArabic, true, {kBehJoined, kBeh}, true},
      {"no shaping language", ASD::kNoLanguage, true, two, false},
      {"the host's language is not shaped", ASD::kArabic, false, two, false},
  };
  const unsigned int forcedStates[] = {ASD::kForceBase, ASD::kForceFarsiBase, ASD::kForceFinal, ASD::kForceInitial,
                                       ASD::kForceMiddle};
  for (const Case& c : cases) {
    for (unsigned int k = 0; k < 5; ++k) {
      SCOPED_TRACE(std::string(c.name) + " kind " + std::to_string(k + 1));
      ShapingPage p(two, 79, c.language, c.shapedFlag);
      ASSERT_TRUE(p.ok);
      p.s.key(kShapeKeys[k]);
      EXPECT_FALSE(p.s.text()->errorFlag()) << p.s.text()->lastOperatorError();
      EXPECT_EQ(p.logical(2), c.after);
      EXPECT_EQ(p.s.display.asd().state() == forcedStates[k], c.forced);
      EXPECT_EQ(p.s.text()->cursorPos, p.s.offset(3, 79));
      EXPECT_TRUE(p.s.host.sent.empty());
    }
  }
}

// A forced shape ends when the cursor leaves by a key that ends the
// shaping run, or when a key sends an AID (Help); other keys keep it.
TEST(BidiCursor, MovesEndTheShapingRun) {
  struct Case {
    const char* name;
    FunctionWord key;
    bool ends;
  };
  const Case cases[] = {
      {"left", kLeft, true},           {"right", kRight, true},       {"up", kUp, true},
      {"down", kDown, true},           {"new line", kNewline, true},  {"home", kHome, true},
      {"end of line", kEndOfLine, true}, {"begin of line", kBeginOfLine, true}, {"backtab", kBacktab, true},
      {"tab", kTab, true},             {"help", kHelp, true},        {"insert", kInsert, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShapingPage p(Bytes{kBeh, kBeh}, 78, ASD::kArabic, true);
    ASSERT_TRUE(p.ok);
    p.s.key(kShapeKeys[0]);
    ASSERT_EQ(p.s.display.asd().state(), ASD::kForceBase);
    p.s.key(c.key);
    EXPECT_EQ(p.s.display.asd().state() == ASD::kForceBase, !c.ends);
    EXPECT_FALSE(p.s.text()->errorFlag() && p.s.text()->lastOperatorError() == 69u);
  }
}

// A shape that does not fit (the seen's tail on a full line that never
// spills) is refused with operator error 69; Reset takes the offending
// letter out. Where the line may spill, its last word goes to the next.
TEST(BidiCursor, AShapeThatDoesNotFitAndReset) {
  const Bytes full = Bytes{kSeen, 0x40} + Bytes(67, 0xC1);
  {
    ShapingPage p(full, 79, ASD::kArabic, true);
    ASSERT_TRUE(p.ok);
    p.s.key(kShapeKeys[0]);
    EXPECT_FALSE(p.s.text()->errorFlag()) << p.s.text()->lastOperatorError();
    EXPECT_EQ(p.logical(3), (Bytes{kSeen, 0x45, 0x40})) << "the base shape with its tail";
    EXPECT_EQ(p.s.screen(p.s.offset(4, 79), 1)[0], 0xC1) << "the last word on the next line";
  }
  ShapingPage p(full, 79, ASD::kArabic, true);
  ASSERT_TRUE(p.ok);
  p.s.text()->lineTable[2].ctl |= 0x04000000u;  // never spills
  p.s.key(kShapeKeys[0]);
  ASSERT_TRUE(p.s.text()->errorFlag());
  EXPECT_EQ(p.s.text()->lastOperatorError(), 69u);
  EXPECT_EQ(p.logical(69), full) << "the line is as it was";
  p.s.key(kReset);
  EXPECT_FALSE(p.s.text()->errorFlag());
  EXPECT_EQ(p.logical(69), Bytes{0x40} + Bytes(67, 0xC1) + Bytes{0x00});
  EXPECT_EQ(p.s.text()->cursorPos, p.s.offset(3, 79));
}

// Backspace with shaping: the shaper removes the letter and the letters
// around it join again.
TEST(BidiCursor, BackspaceWithShaping) {
  // ain (0x9C initial, 0x9D middle, 0x9B final), reh (0x75, never joins on).
  const Bytes text{0x9C, 0x75, 0x9C};
  ShapingPage p(text, 77, ASD::kArabic, true);
  ASSERT_TRUE(p.ok);
  p.s.key(kBackspace);  // the reh goes
  EXPECT_FALSE(p.s.text()->errorFlag()) << p.s.text()->lastOperatorError();
  EXPECT_EQ(p.s.text()->cursorPos, p.s.offset(3, 78));
  p.s.key(kLeft);  // the run ends
  EXPECT_EQ(p.logical(3), (Bytes{0x9C, 0x9B, 0x00}));
}

}  // namespace

namespace {

// The shaper's view of a right-to-left text line: typing order runs from
// the mirrored left margin (column 79) down to the mirrored right margin
// (column 11).
TEST(BidiCursor, TheShapersViewOfALine) {
  TextStation s;
  ASSERT_EQ(s.run(Page(kBidi, true, {{3, kRtl, kAbcde}})), 0u);
  TextSession& t = *s.text();
  ASDInfoWP info(&t, s.offset(3, 79), s.offset(3, 11));
  DisplayBag* d = &s.display;
  auto at = [&] { return d->cursor().getCursorOffset(); };
  info.setPosition(d, s.offset(3, 79));
  EXPECT_TRUE(info.atStart(d));
  EXPECT_FALSE(info.atEnd(d));
  info.moveLeft(d);  // back in typing order: nothing before the start
  EXPECT_EQ(at(), s.offset(3, 79));
  info.moveRight(d);
  EXPECT_EQ(at(), s.offset(3, 78));
  info.setPosition(d, s.offset(3, 11));
  EXPECT_TRUE(info.atEnd(d));
  info.moveRight(d);
  EXPECT_EQ(at(), s.offset(3, 11));

  auto logical = [&](unsigned int n) {
    Bytes out;
    for (unsigned int i = 0; i < n; ++i) out.push_back(s.screen(s.offset(3, 79 - i), 1)[0]);
    return out;
  };
  info.setPosition(d, s.offset(3, 78));
  EXPECT_EQ(info.insertCharacter(d, 0xE7), 0);
  EXPECT_EQ(logical(7), Ebc("AXBCDE") + Bytes(1, 0x00));
  info.setPosition(d, s.offset(3, 79));
  EXPECT_EQ(info.deleteCharacter(d), 0);
  EXPECT_EQ(logical(7), Ebc("XBCDE") + Bytes(2, 0x00));
  EXPECT_TRUE(t.lineTable[2].ctl & line_ctl::kChanged);

  // A full run takes nothing more and stays as it was.
  TextStation f;
  const Bytes full = Bytes{0x00} + Bytes(69, 0xC1);
  ASSERT_EQ(f.run(Page(kBidi, true, {{3, kRtl, full}})), 0u);
  f.text()->lineTable[2].ctl |= 0x04000000u;  // never spills
  ASDInfoWP fullInfo(f.text(), f.offset(3, 79), f.offset(3, 11));
  fullInfo.setPosition(&f.display, f.offset(3, 50));
  EXPECT_NE(fullInfo.insertCharacter(&f.display, 0xE7), 0);
  EXPECT_EQ(f.screen(f.offset(3, 11), 69), Bytes(69, 0xC1));
}

// The shaper's insert into a full line spills the line's last word to the
// next line as typing does, in both directions; the character stays where
// it was put.
TEST(BidiCursor, TheShapersInsertIntoAFullLineSpills) {
  Bytes words;
  for (int i = 0; i < 13; ++i) words = words + Ebc("AAAA ");
  words = words + Ebc("BBBB");  // 69 characters: the whole line between the margins
  for (bool rtl : {false, true}) {
    SCOPED_TRACE(rtl ? "right to left" : "left to right");
    TextStation s;
    const unsigned char flags = rtl ? kRtl : 0;
    ASSERT_EQ(s.run(Page(kBidi, true, {{3, flags, Bytes{0x00} + words}, {4, flags, {0x00}}})), 0u);
    // Typing order: from the line's first position to its last.
    const unsigned int first = rtl ? 79 : 2, last = rtl ? 11 : 70;
    auto at = [&](unsigned int row, unsigned int i) { return s.offset(row, rtl ? first - i : first + i); };
    auto typed = [&](unsigned int row, unsigned int n) {
      Bytes out;
      for (unsigned int i = 0; i < n; ++i) out.push_back(s.screen(at(row, i), 1)[0]);
      return out;
    };
    ASSERT_EQ(typed(3, 69), words);
    ASDInfoWP info(s.text(), s.offset(3, first), s.offset(3, last));
    s.text()->moveCursor(at(3, 0), Plane0);
    s.key(kInsert);  // as typing in insert mode
    info.setPosition(&s.display, at(3, 0));
    EXPECT_EQ(info.insertCharacter(&s.display, 0xE7), 0);
    EXPECT_EQ(typed(3, 6), Ebc("XAAAA "));
    EXPECT_EQ(typed(4, 5), Ebc("BBBB") + Bytes{0x03}) << "the word and a carrier return, as an insert spills";
    EXPECT_EQ(s.display.cursor().getCursorOffset(), at(3, 0));
  }
}

}  // namespace

namespace {

// Tabs on a right-to-left row (margins at columns 2 and 70; row 3 with a
// left tab stop at column 10, row 4 with a right tab stop at column 20,
// mirrored to columns 71 and 61). Row 3: A, a tab and its null run, XY at the left stop. Row 4: A,
// a tab and XYZ aligned to end at the right stop. In insert mode the cursor
// keys skip a tab's null run and backspace takes the run with its tab
// character, re-aligning the tab column afterwards.
TEST(BidiCursor, TabRunsOnRightToLeftRows) {
  constexpr unsigned char kTabChar = 0x05;
  const Bytes row3 = Bytes{0x00} + Ebc("A") + Bytes{kTabChar} + Bytes(6, 0x00) + Ebc("XY");
  const Bytes row4 = Bytes{0x00} + Ebc("A") + Bytes{kTabChar} + Bytes(14, 0x00) + Ebc("XYZ");
  struct Case {
    const char* name;
    bool insert;
    unsigned int row, column;
    FunctionWord key;
    unsigned int toColumn;
    const char* shown;  // the row from column 80 down to 60
  };
  const Case cases[] = {
      {"left from the tab skips its run", true, 3, 78, kLeft, 71, "_A|______XY__________"},
      {"right from the tabbed text skips back to the tab", true, 3, 71, kRight, 78, "_A|______XY__________"},
      {"outside insert mode left steps into the run", false, 3, 78, kLeft, 77, "_A|______XY__________"},
      {"backspace takes the run and its tab", true, 3, 71, kBackspace, 78, "_AXY_________________"},
      // The text ends at the stop again; the cursor stays where X stood.
      {"backspace re-aligns the right tab's text", true, 4, 62, kBackspace, 63, "_A|______________YZ__"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    Bytes lines;
    for (unsigned int r = 3; r <= 23; ++r) {
      TextLine l{r, r == 3 ? row3 : r == 4 ? row4 : Bytes{0x00}, r - 2};
      if (r <= 4) l.byte4 = kRtl;
      if (r == 4) l.scaleId = 2;
      lines = lines + LineRecord(l);
    }
    ASSERT_EQ(s.run(Wsf(Dftxt(kBidi, 0x80) + Dfscl(ScaleLine(1, {{2, 1}, {10, 3}, {70, 2}}) +
                                                      ScaleLine(2, {{2, 1}, {20, 4}, {70, 2}})) +
                        Wrtxt(0x80, 0x00, 0x08, 3, 2, lines) + Rdtxt())),
              0u);
    if (c.insert) s.key(kInsert);
    s.text()->moveCursor(s.offset(c.row, c.column), Plane0);
    s.key(c.key);
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    EXPECT_TRUE(s.host.sent.empty());
    EXPECT_EQ(s.text()->cursorPos, s.offset(c.row, c.toColumn)) << "column " << s.text()->cursorPos % 80 + 1;
    std::string shown;
    for (unsigned int col = 80; col >= 60; --col) {
      const unsigned char b = s.screen(s.offset(c.row, col), 1)[0];
      char shownAs = '?';
      for (char letter : std::string("AXYZ"))
        if (Ebc(std::string(1, letter))[0] == b) shownAs = letter;
      shown.push_back(b == 0 ? '_' : b == kTabChar ? '|' : shownAs);
    }
    EXPECT_EQ(shown, c.shown);
  }
}

}  // namespace
