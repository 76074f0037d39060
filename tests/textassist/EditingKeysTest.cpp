// Every key of the text-assist keyboard state, through the input-object
// generator and DisplayBag::processUserInputObject, on the page of R1
// (scale line: left margin column 2, tab column 10, right margin column 70;
// row 3 "HELLO WORLD" and a carrier return; the host waits for a record).
// Each case: the keys before, the key, the page rows after, the cursor, the
// AID sent and the operator error raised.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/textassist/TextRows.h"

namespace {

const FunctionWord kNewline = K(1, 1), kLeft = K(1, 2), kRight = K(1, 3), kFastLeft = K(1, 4),
                   kFastRight = K(1, 5), kUp = K(1, 6), kDown = K(1, 7), kBackspace = K(1, 8),
                   kBacktab = K(1, 9), kTab = K(1, 10), kShiftTab = K(1, 12), kHome = K(1, 13),
                   kRqTab = K(1, 15), kBeginOfLine = K(1, 16), kEndOfLine = K(1, 17);
const FunctionWord kFieldExit = K(2, 1), kDup = K(2, 4), kCarrierReturn = K(2, 5);
const FunctionWord kInsert = K(3, 1), kErase = K(3, 3), kClose = K(3, 5), kReverse = K(3, 6),
                   kSymbols = K(3, 15);
const FunctionWord kReset = K(4, 1);
const FunctionWord kPrint = K(6, 1), kRollUp = K(6, 2), kRollDown = K(6, 3), kEnter = K(6, 4), kClear = K(6, 5),
                   kHelp = K(6, 7), kTopOfPage = K(6, 11), kBottomOfPage = K(6, 12);
const FunctionWord kUnderscore = K(26, 1), kEndAttr = K(26, 2), kBold = K(26, 3), kWordUnderscore = K(26, 4),
                   kSuper = K(26, 5), kSub = K(26, 6), kStopCode = K(26, 7), kRqSpace = K(26, 8),
                   kCenter = K(26, 9), kPageEnd = K(26, 10), kStopAdvance = K(26, 11), kAltD = K(26, 13);

// A row shown in the model's alphabet: '_' null, '|' carrier return, '^'
// required carrier return, '~' tab, '@' attribute 0x20, '#' underscore
// attribute 0x24, '*' word underscore, '$' stop code, '+' required space.
const RowAlphabet kRows{{{'_', 0x00}, {'|', 0x03}, {'^', 0x06}, {'~', 0x05}, {'@', 0x20}, {'#', 0x24}, {'*', 0x1D},
                         {'$', 0x1E}, {'+', 0x41}}};
std::string Show(const Bytes& row) { return kRows.show(row); }

const char* const kRow3 = "_HELLO WORLD|";
// An attribute in effect at the right margin ends after it (column 71).
const std::string kEnds = std::string(56, '_') + "@";

struct KeyCase {
  const char* name;
  Keys before;
  FunctionWord key;
  std::string row3;       // after; "=": as before
  std::string row4;       // after; "": empty
  unsigned int row, column;  // the cursor after
  unsigned char aid;      // 0: nothing sent
  unsigned int error;     // 0: none
};

const KeyCase kCases[] = {
    // Cursor movement (local wrap).
    {"right", {}, kRight, "=", "", 3, 3, 0, 0},
    {"fast right", {}, kFastRight, "=", "", 3, 5, 0, 0},
    {"fast left", Repeat(kRight, 4), kFastLeft, "=", "", 3, 3, 0, 0},
    {"left", Repeat(kRight, 2), kLeft, "=", "", 3, 3, 0, 0},
    {"left at the margin wraps to the last text row's right margin", {}, kLeft, "=", "", 23, 70, 0, 0},
    {"right at the right margin goes to the next row", Repeat(kFastRight, 22) + Repeat(kRight, 2), kRight, "=", "", 4, 2, 0, 0},
    {"down", {}, kDown, "=", "", 4, 2, 0, 0},
    {"up wraps to the last text row", {}, kUp, "=", "", 23, 2, 0, 0},
    {"new line", Repeat(kRight, 4), kNewline, "=", "", 4, 2, 0, 0},
    {"end of line", {}, kEndOfLine, "=", "", 3, 13, 0, 0},
    {"begin of line", Repeat(kRight, 5), kBeginOfLine, "=", "", 3, 2, 0, 0},
    {"backtab goes to the left margin", Repeat(kRight, 5), kBacktab, "=", "", 3, 2, 0, 0},
    {"tab without tab characters goes to the next row", {}, kTab, "=", "", 4, 2, 0, 0},
    // Data entry.
    {"replace", {}, K(10, 0xE7), "_XELLO WORLD|", "", 3, 3, 0, 0},
    {"insert", {kInsert}, K(10, 0xE7), "_XHELLO WORLD|", "", 3, 3, 0, 0},
    {"typing after the carrier return blanks it and the gap", Repeat(kFastRight, 5), K(10, 0xE7),
     "_HELLO WORLD    X", "", 3, 18, 0, 0},
    {"required space", {}, kRqSpace, "_+ELLO WORLD|", "", 3, 3, 0, 0},
    {"backspace closes up", {kRight}, kBackspace, "_ELLO WORLD|", "", 3, 2, 0, 0},
    {"backspace at the first text row's margin", {}, kBackspace, "=", "", 3, 2, 0, 72},
    // Line editing.
    {"carrier return in insert mode splits the row", Keys{kInsert} + Repeat(kRight, 6), kCarrierReturn,
     "_HELLO |", "@WORLD|", 4, 2, 0, 0},
    {"carrier return in replace mode replaces the character", Repeat(kRight, 6), kCarrierReturn, "_HELLO |",
     "@ORLD|", 4, 2, 0, 0},
    {"required carrier return", Keys{kInsert} + Repeat(kRight, 6), kFieldExit, "_HELLO ^", "@WORLD|", 4, 2, 0, 0},
    {"tab in insert mode at the end of the text", {kInsert, kEndOfLine}, kTab, "_HELLO WORLD~|", "", 3, 14, 0,
     0},
    {"tab in replace mode overwrites", {kRight}, kShiftTab, "_H~LLO WORLD|", "", 3, 4, 0, 0},
    {"required tab in replace mode advances as tab does", {}, kRqTab, "=", "", 4, 2, 0, 0},
    // Attributes, centring, stop codes.
    {"underscore inserts its attribute", {kInsert}, kUnderscore, "_#HELLO WORLD|" + kEnds, "", 3, 3, 0, 0},
    {"end attribute on an attribute leaves it", {kInsert, kUnderscore, kLeft}, kEndAttr, "_#HELLO WORLD|" + kEnds,
     "", 3, 3, 0, 0},
    {"bold on underscore makes 0x26", {kInsert, kUnderscore, kLeft}, kBold, "_?HELLO WORLD|" + kEnds, "", 3, 3, 0, 0},
    {"word underscore without planes enters its character", {}, kWordUnderscore, "_*ELLO WORLD|", "", 3, 3,
     0, 0},
    {"centre", {}, kCenter, "_" + std::string(29, ' ') + "HELLO WORLD|", "", 3, 41, 0, 0},
    {"stop code below level 3 enters it", {}, kStopCode, "_$ELLO WORLD|", "", 3, 3, 0, 0},
    {"stop-code advance without a stop code", {}, kStopAdvance, "=", "", 3, 2, 0xE0, 0},
    {"stop-code advance to the stop code", {kStopCode, kLeft}, kStopAdvance, "_$ELLO WORLD|", "", 3, 3, 0, 0},
    // Keys that only report to the host.
    {"roll down", {}, kRollDown, "=", "", 3, 2, 0xF4, 0},
    {"roll up", {}, kRollUp, "=", "", 3, 2, 0xF5, 0},
    {"print", {}, kPrint, "=", "", 3, 2, 0xF6, 0},
    {"clear", {}, kClear, "=", "", 3, 2, 0xBD, 0},
    {"help", {}, kHelp, "=", "", 3, 2, 0xF3, 0},
    {"erase input", {}, kErase, "=", "", 3, 2, 0xE3, 0},
    {"top of page", {}, kTopOfPage, "=", "", 3, 2, 0xE5, 0},
    {"bottom of page", {}, kBottomOfPage, "=", "", 3, 2, 0xE6, 0},
    {"alt d", {}, kAltD, "=", "", 3, 2, 0xD4, 0},
    {"page end", {}, kPageEnd, "=", "", 3, 2, 0xE7, 0},
    {"home without a command field", {}, kHome, "=", "", 3, 2, 0xEC, 0},
    {"enter", {kRight}, kEnter, "=", "", 3, 3, 0xF1, 0},
    {"enter after typing", {K(10, 0xE7)}, kEnter, "_XELLO WORLD|", "", 3, 3, 0xF1, 0},
    // Refused keys.
    {"dup without locate", {}, kDup, "=", "", 3, 2, 0, 77},
    // Keys without effect here.
    {"push without a bidirectional editor", {}, kReverse, "=", "", 3, 2, 0, 0},
    {"end push without a bidirectional editor", {}, kClose, "=", "", 3, 2, 0, 0},
    {"symbols", {}, kSymbols, "=", "", 3, 2, 0, 0},
    {"reset", {kInsert}, kReset, "=", "", 3, 2, 0, 0},
};

TEST(EditingKeys, EachKeyReachesItsHandler) {
  for (const KeyCase& c : kCases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(R1()), 0u);
    for (FunctionWord w : c.before) s.key(w);
    ASSERT_TRUE(s.host.sent.empty());
    ASSERT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    s.key(c.key);
    EXPECT_EQ(Show(s.row(3)), c.row3 == "=" ? kRow3 : c.row3);
    EXPECT_EQ(Show(s.row(4)), c.row4);
    EXPECT_EQ(s.text()->cursorPos, s.offset(c.row, c.column));
    s.expectOutcome(c.aid, c.error);
  }
}

// Insert mode stays on with a second press; Reset ends it.
TEST(EditingKeys, InsertAndReset) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  s.key(kInsert);
  s.key(kInsert);
  EXPECT_TRUE(s.display.modeFlagsA() & DisplayBag::kAInsert);
  s.key(kReset);
  EXPECT_FALSE(s.display.modeFlagsA() & DisplayBag::kAInsert);
}

// An operator error locks the keyboard until Reset; keys meanwhile change
// nothing.
TEST(EditingKeys, ErrorHoldsUntilReset) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  s.key(kDup);
  ASSERT_TRUE(s.text()->errorFlag());
  s.type("Q");
  EXPECT_EQ(Show(s.row(3)), kRow3);
  s.key(kReset);
  EXPECT_FALSE(s.text()->errorFlag());
  s.type("Q");
  EXPECT_EQ(Show(s.row(3)), "_QELLO WORLD|");
}

// Typing left of the left margin and on a row that is not text.
TEST(EditingKeys, TypingOutsideTheMarginsIsRefused) {
  const unsigned int where[][2] = {{3, 1}, {3, 71}, {2, 5}};
  for (const auto& w : where) {
    TextStation s;
    ASSERT_EQ(s.run(R1()), 0u);
    s.text()->moveCursor(s.offset(w[0], w[1]), Plane0);
    s.type("Q");
    EXPECT_EQ(Show(s.row(3)), kRow3);
    EXPECT_EQ(s.text()->lastOperatorError(), 72u) << w[0] << " " << w[1];
  }
}

// A cursor offset outside the plane is refused, never a halt.
TEST(EditingKeys, CursorOutsideThePlaneIsRefused) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  const unsigned int before = s.text()->cursorPos;
  s.text()->moveCursor(100000, Plane0);
  EXPECT_EQ(s.text()->cursorPos, before);
  s.text()->c_textmouseclick(100000);
  EXPECT_EQ(s.text()->cursorPos, before);
  const unsigned int last = s.display.presentationSpace().lastOffset();
  EXPECT_FALSE(s.text()->shiftchars(last - 2, 5, 3));
  EXPECT_FALSE(s.text()->shiftchars(1, 5, -3));
}

}  // namespace

namespace {

// Cursor draw: the cursor keys draw line characters (stroke masks 0x08 up,
// 0x04 down, 0x02 left, 0x01 right) that join the ones around them.
TEST(EditingKeys, CursorDrawJoinsItsStrokes) {
  struct DrawCase {
    const char* name;
    Keys keys;
    Bytes row5, row6;  // columns 2 onwards
    unsigned int row, column;
  };
  const DrawCase cases[] = {
      {"right across an empty row", Repeat(kRight, 3), {0x01, 0x03, 0x03}, {}, 5, 5},
      {"right, then down joins the turn", Repeat(kRight, 2) + Keys{kDown, kDown}, {0x01, 0x03, 0x06}, {0x00, 0x00, 0x0C},
       7, 4},
      {"left from the margin stays there", Keys{kLeft}, {0x00}, {}, 5, 2},
  };
  for (const DrawCase& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(R1()), 0u);
    s.text()->moveCursor(s.offset(5, 2), Plane0);
    s.text()->modes |= text_mode::kCursorDraw;
    for (FunctionWord w : c.keys) s.key(w);
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    auto part = [&](unsigned int row, size_t n) { return s.screen(s.offset(row, 2), static_cast<unsigned int>(n)); };
    EXPECT_EQ(part(5, c.row5.size()), c.row5);
    if (!c.row6.empty()) EXPECT_EQ(part(6, c.row6.size()), c.row6);
    EXPECT_EQ(s.text()->cursorPos, s.offset(c.row, c.column));
    EXPECT_TRUE(s.host.sent.empty());
  }
}

}  // namespace

namespace {

// A right-to-left line under a bidirectional host editor ("ABC" written
// from column 80 leftwards, the mirrored margins at columns 79 and 11):
// typing replaces and moves left; insert pushes the rest of the line to
// the left; on a full line the end of the line spills to the next one.
using ::operator+;  // the page fixtures' Bytes concatenation

TEST(EditingKeys, RightToLeftLinesTakeCharactersLeftwards) {
  struct Case {
    const char* name;
    bool insert;
    Bytes text;             // as the host writes it
    unsigned int column;    // cursor column before typing
    Bytes shown;            // columns 71..80 after typing "X"
    unsigned int after;     // cursor column after
    unsigned int error;
  };
  const Bytes full = Bytes{0x00} + Bytes(69, 0xC1);
  const Case cases[] = {
      {"replace", false, Ebc("ABC"), 79, Bytes(7, 0x00) + Ebc("CXA"), 78, 0},
      {"insert", true, Ebc("ABC"), 79, Bytes(6, 0x00) + Ebc("CBXA"), 78, 0},
      {"insert at the end of the text", true, Ebc("ABC"), 77, Bytes(6, 0x00) + Ebc("XCBA"), 76, 0},
      // The word fills the line: it breaks at the margin, its end spills.
      {"insert into a full line", true, full, 79, Bytes(8, 0xC1) + Ebc("X") + Bytes{0x00}, 78, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(Wsf(Dftxt(0x01, 0x80) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}})) +
                        Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, c.text, 1, 0x80, 2, 0x80})) + Rdtxt())),
              0u);
    if (c.insert) s.key(FunctionWord{3, 1});
    s.text()->moveCursor(s.offset(3, c.column), Plane0);
    s.type("X");
    EXPECT_EQ(s.screen(s.offset(3, 71), 10), c.shown);
    EXPECT_EQ(s.text()->cursorPos, s.offset(3, c.after));
    EXPECT_EQ(s.text()->lastOperatorError(), c.error);
  }
}

}  // namespace
