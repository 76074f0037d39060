// Word spill beyond what the line model covers: under column editing only
// the text between the margins (and the side columns the definition asks
// for) makes room for a new line, and with extended-attribute planes the
// spilled word takes its word underscore, the attribute in effect and an
// open half-index shift along. Keys go through the input-object generator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/ECBScreenBuffer.h"
#include "tests/textassist/TextRows.h"

namespace {

const FunctionWord kInsert{3, 1};

// '_' null, '@' attribute 0x20, '|' carrier return ('~' tab and '-' hyphen
// when shown); letters and digits as EBCDIC.
const RowAlphabet kRows{{{'_', 0x00}, {'@', 0x20}, {'|', 0x03}, {'~', 0x05}, {'-', 0xCA}}};
Bytes Encode(const std::string& text) { return kRows.encode(text); }
std::string Show(const Bytes& row) { return kRows.show(row); }

// A row under column editing with margins at columns 8 and 27: columns 1-3
// outside everything, 4-7 the left side columns, 8-28 the text (28 is the
// position after the right margin), 29-32 beyond.
std::string ColumnRow(const std::string& outside, const std::string& side, const std::string& text,
                      const std::string& beyond) {
  std::string t = text;
  t.resize(21, '_');
  return outside + side + t + beyond;
}

struct ColumnCase {
  const char* name;
  unsigned char defFlags;  // DFTXT flags: 0x80 column editing, 0x40 left side columns
  bool lastRowChanged;
  std::vector<std::string> after;  // rows 3..7
  unsigned int row, column;        // the cursor after
  unsigned int halfLinesOff;       // the first line number's growth
};

const std::string kRow3 = ColumnRow("_K3", "SSS3", "FIRST|", "ZZZ3");
const std::string kRow4 = ColumnRow("_K4", "SSS4", "AAAA BBBB CCCC DDDD ", "ZZZ4");
const std::string kRow5 = ColumnRow("_K5", "SSS5", "EEEE EEEE EEEE EEE|", "ZZZ5");
const std::string kRow6 = ColumnRow("_K6", "SSS6", "SIX|", "ZZZ6");

const ColumnCase kColumnCases[] = {
    {"column editing: the columns between the margins move down",
     0xC0,
     false,
     {kRow3, ColumnRow("_K4", "SSS4", "XAAAA BBBB CCCC |", "ZZZ4"), ColumnRow("_K5", "SSS@", "DDDD |", "ZZZ5"),
      ColumnRow("_K6", "SSS5", "EEEE EEEE EEEE EEE|", "ZZZ6"), ColumnRow("___", "SSS6", "SIX|", "")},
     4,
     9,
     0},
    {"column editing without side columns: only the attribute position before the margin moves",
     0x80,
     false,
     {kRow3, ColumnRow("_K4", "SSS4", "XAAAA BBBB CCCC |", "ZZZ4"), ColumnRow("_K5", "SSS@", "DDDD |", "ZZZ5"),
      ColumnRow("_K6", "SSS5", "EEEE EEEE EEEE EEE|", "ZZZ6"), ColumnRow("___", "___6", "SIX|", "")},
     4,
     9,
     0},
    {"column editing: the columns between the margins move up",
     0xC0,
     true,
     {ColumnRow("_K3", "SSS4", "XAAAA BBBB CCCC |", "ZZZ3"), ColumnRow("_K4", "SSS@", "DDDD |", "ZZZ4"), kRow5,
      kRow6, ""},
     3,
     9,
     2},
    {"whole rows move without column editing",
     0x00,
     false,
     {kRow3, ColumnRow("_K4", "SSS4", "XAAAA BBBB CCCC |", "ZZZ4"), ColumnRow("___", "___@", "DDDD |", ""), kRow5,
      kRow6},
     4,
     9,
     0},
};

TEST(WordSpill, ColumnEditingMovesOnlyTheColumns) {
  for (const ColumnCase& c : kColumnCases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    const std::string rowsIn[] = {kRow3, kRow4, kRow5, kRow6};
    Bytes lines;
    for (unsigned int r = 3; r <= 23; ++r)
      lines = lines + LineRecord({r, r <= 6 ? Encode(rowsIn[r - 3]) : Bytes{0x00}, r - 2});
    ASSERT_EQ(s.run(PageRecord(c.defFlags, 0x80, ScaleLine(1, {{8, 1}, {27, 2}}), lines)), 0u);
    TextSession& t = *s.text();
    const uint32_t firstLine = t.firstLineNumber;
    s.key(kInsert);
    t.moveCursor(s.offset(4, 8), Plane0);
    if (c.lastRowChanged) t.lineTable[t.textDef.lastTextRow - 1].ctl |= line_ctl::kChanged;
    s.type("X");
    EXPECT_FALSE(t.errorFlag()) << t.lastOperatorError();
    for (unsigned int r = 0; r < c.after.size(); ++r) {
      std::string want = c.after[r];
      while (!want.empty() && want.back() == '_') want.pop_back();
      EXPECT_EQ(Show(s.row(3 + r)), want) << "row " << 3 + r;
    }
    EXPECT_EQ(t.cursorPos, s.offset(c.row, c.column));
    EXPECT_EQ(t.firstLineNumber - firstLine, c.halfLinesOff);
  }
}

// Extended-attribute planes: row 3 "AAAA BBBB CCCC DDDD" between margins 2
// and 20; 'E' typed over the last D in replace mode spills "DDDE" to row 4.
struct PlaneCase {
  const char* name;
  const char* row3;  // from column 2
  unsigned int typeAt;
  std::vector<std::pair<unsigned int, unsigned char>> primary3, secondary3;  // (column, byte) on row 3
  uint32_t ctl3;  // of row 3
  std::vector<std::pair<unsigned int, unsigned char>> primary4, secondary4;  // row 4 after
  std::vector<std::pair<unsigned int, unsigned char>> secondary3After;
  bool underscoreOn4;  // the row-4 record knows it holds a word underscore
  const char* row3After;
  const char* row4After;
};

constexpr uint32_t kWordUnderscoreRow = 1u << 26;

const PlaneCase kPlaneCases[] = {
    {"an underscored word keeps its underscore",
     "AAAA BBBB CCCC DDDD",
     20,
     {},
     {{17, 0x84}, {18, 0x84}, {19, 0x84}, {20, 0x80}},
     kWordUnderscoreRow,
     {},
     {{2, 0x84}, {3, 0x84}, {4, 0x84}, {5, 0x80}},
     {{17, 0x00}, {20, 0x00}, {21, 0x00}},
     true,
     "_AAAA BBBB CCCC |",
     "@DDDE"},
    {"a broken word: the underscore ends before the break and starts again after it",
     "AAAAAAAAAAAAAAAAAAA",
     20,
     {},
     {{2, 0x84}, {3, 0x84}, {10, 0x84}, {18, 0x84}, {19, 0x84}, {20, 0x80}},
     kWordUnderscoreRow,
     {},
     {{2, 0x84}},
     {{2, 0x84}, {18, 0x84}, {19, 0x80}, {20, 0x00}},
     true,
     "_AAAAAAAAAAAAAAAAAA-",
     "@E"},
    {"an open superscript starts again in front of the word",
     "AAAA BBBB CCCC DDDD",
     20,
     {},
     {{6, 0x81}},
     0,
     {},
     {{1, 0x81}, {21, 0x82}},
     {{6, 0x81}, {21, 0x82}},
     false,
     "_AAAA BBBB CCCC |",
     "@DDDE"},
    {"a closed superscript does not",
     "AAAA BBBB CCCC DDDD",
     20,
     {},
     {{6, 0x81}, {8, 0x82}},
     0,
     {},
     {{1, 0x00}, {21, 0x00}},
     {{21, 0x00}},
     false,
     "_AAAA BBBB CCCC |",
     "@DDDE"},
    {"the primary attribute in effect goes in front of the word",
     "AAAA BBBB CCCC DDDD",
     20,
     {{6, 0x82}},
     {},
     0,
     {{1, 0x82}, {2, 0x00}, {21, 0x80}},
     {},
     {},
     false,
     "_AAAA BBBB CCCC |",
     "@DDDE"},
};

TEST(WordSpill, AttributePlanesTravelWithTheWord) {
  for (const PlaneCase& c : kPlaneCases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    // With attribute planes the line records have two-byte lengths.
    Bytes lines = PageLines(Bytes{0x00} + Ebc(c.row3), true);
    ASSERT_EQ(s.run(PageRecord(0x00, 0xC0, ScaleLine(1, {{2, 1}, {20, 2}}), lines)), 0u);
    TextSession& t = *s.text();
    ASSERT_TRUE(t.extendedPlanes());
    for (auto [column, b] : c.primary3) t.primaryBuffer->writeCharacter(s.offset(3, column), b);
    for (auto [column, b] : c.secondary3) t.secondaryBuffer->writeCharacter(s.offset(3, column), b);
    t.lineTable[2].ctl3 |= c.ctl3;
    t.moveCursor(s.offset(3, c.typeAt), Plane0);
    s.type("E");
    EXPECT_FALSE(t.errorFlag()) << t.lastOperatorError();
    EXPECT_EQ(Show(s.row(3)), c.row3After);
    EXPECT_EQ(Show(s.row(4)), c.row4After);
    for (auto [column, b] : c.primary4)
      EXPECT_EQ(t.primaryBuffer->getCharacter(s.offset(4, column)), b) << "primary, row 4 column " << column;
    for (auto [column, b] : c.secondary4)
      EXPECT_EQ(t.secondaryBuffer->getCharacter(s.offset(4, column)), b) << "secondary, row 4 column " << column;
    for (auto [column, b] : c.secondary3After)
      EXPECT_EQ(t.secondaryBuffer->getCharacter(s.offset(3, column)), b) << "secondary, row 3 column " << column;
    EXPECT_EQ((t.lineTable[3].ctl3 & kWordUnderscoreRow) != 0, c.underscoreOn4);
  }
}

}  // namespace

namespace {

// The half-index state after the right margin follows the superscript and
// subscript keys: 0x82 while a superscript is open, 0x81 while a subscript
// is, 0 when the two cancel.
TEST(WordSpill, HalfIndexStateFollowsTheKeys) {
  const FunctionWord kSuper{26, 5}, kSub{26, 6};
  struct Case {
    const char* name;
    std::vector<std::pair<unsigned int, FunctionWord>> keys;  // (column, key)
    unsigned char state;
  };
  const Case cases[] = {
      {"none", {}, 0x00},
      {"a superscript", {{6, kSuper}}, 0x82},
      {"a subscript", {{6, kSub}}, 0x81},
      {"a superscript and a subscript after it", {{6, kSuper}, {9, kSub}}, 0x00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    Bytes lines = PageLines(Bytes{0x00} + Ebc("AAAA BBBB CCCC"), true);
    ASSERT_EQ(s.run(PageRecord(0x00, 0xC0, ScaleLine(1, {{2, 1}, {20, 2}}), lines)), 0u);
    TextSession& t = *s.text();
    for (const auto& [column, key] : c.keys) {
      t.moveCursor(s.offset(3, column), Plane0);
      s.key(key);
      ASSERT_FALSE(t.errorFlag()) << t.lastOperatorError();
    }
    EXPECT_EQ(t.secondaryBuffer->getCharacter(s.offset(3, 21)), c.state);
    EXPECT_EQ(t.getRMSecAttr(3), c.state);
  }
}

// Under column editing a carrier return (or required carrier return) in
// tabbed text takes a tab along to the new line: the room it needs grows by
// one.
TEST(WordSpill, ColumnEditingReservesRoomForATab) {
  struct Case {
    const char* name;
    unsigned char defFlags;
    const char* row3;        // '~' tab, '|' carrier return, '^' required carrier return
    unsigned int at;         // the column asked about
    bool addsTab;
    unsigned int roomFor;    // the longest word a new line takes (margins 2..20)
  };
  const Case cases[] = {
      {"a carrier return in tabbed text", 0x80, "_AB~_____CD|", 12, true, 17},
      {"a required carrier return in tabbed text", 0x80, "_AB~_____CD^", 12, true, 17},
      {"a letter in tabbed text", 0x80, "_AB~_____CD|", 11, false, 18},
      {"a carrier return outside tabbed text", 0x80, "_ABCD|", 6, false, 18},
      {"without column editing", 0x00, "_AB~_____CD|", 12, false, 18},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    Bytes row;
    for (char ch : std::string(c.row3)) {
      if (ch == '~') row.push_back(0x05);
      else if (ch == '^') row.push_back(0x06);
      else row = row + Encode(std::string(1, ch));
    }
    Bytes lines = PageLines(row);
    ASSERT_EQ(s.run(PageRecord(c.defFlags, 0x80, ScaleLine(1, {{2, 1}, {10, 3}, {20, 2}}), lines)), 0u);
    TextSession& t = *s.text();
    const unsigned int at = s.offset(3, c.at);
    EXPECT_EQ(t.addtabchar(at), c.addsTab);
    EXPECT_TRUE(t.cinsertpossible(at, 0, c.roomFor));
    EXPECT_FALSE(t.cinsertpossible(at, 0, c.roomFor + 1));
  }
}

}  // namespace

namespace {

// Carrier return in insert mode inside tabbed text: under column editing
// the text after the cursor keeps its tab on the new row and stands on the
// stop again; otherwise it starts at the left margin.
TEST(WordSpill, CarrierReturnInTabbedTextUnderColumnEditing) {
  struct Case {
    const char* name;
    unsigned char defFlags;
    const char* row3;
    const char* row4;
  };
  const Case cases[] = {
      {"column editing", 0x80, "_AB~_______________|", "@~_________________CD|"},
      {"no column editing", 0x00, "_AB~_______________|", "@CD|"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    Bytes lines = PageLines(Encode("_AB") + Bytes{0x05} + Encode("_______________CD|"));
    ASSERT_EQ(s.run(PageRecord(c.defFlags, 0x80, ScaleLine(1, {{2, 1}, {20, 3}, {40, 2}}), lines)), 0u);
    s.key(kInsert);
    s.text()->moveCursor(s.offset(3, 20), Plane0);
    s.key(FunctionWord{2, 5});
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    EXPECT_EQ(Show(s.row(3)), c.row3);
    EXPECT_EQ(Show(s.row(4)), c.row4);
  }
}

}  // namespace
