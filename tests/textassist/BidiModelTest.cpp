// Editing right-to-left lines through the keys: word spill in replace and
// insert mode (next to the same cases on left-to-right lines), centring and
// the tab key against the independent model of a text line (line_model.py,
// which reads right-to-left rows in reading order); push and end push with
// their operator errors, the segment markers and the line's flags.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "tests/textassist/TextRows.h"

namespace {

const FunctionWord kInsert{3, 1}, kEndPush{3, 5}, kPush{3, 6}, kTab{1, 12}, kRqTab{1, 15}, kCenter{26, 9};

// The model's alphabet: '_' null, '|' carrier return, '~' tab, '^' required
// tab, '@' the attribute 0x20, '-' the hyphen character, '[' and ']' the
// segment markers 0x0B and 0x0D; letters, digits and blanks as EBCDIC.
const RowAlphabet kRows{{{'~', 0x05}, {'^', 0x02}, {'|', 0x03}, {'_', 0x00}, {'@', 0x20}, {'-', 0xCA}, {'[', 0x0B},
                         {']', 0x0D}, {'.', 0x4B}}};
Bytes Encode(const std::string& line) { return kRows.encode(line); }
char Letter(unsigned char b) { return kRows.letter(b); }
// A row as text: left to right from column 1, or right to left in reading
// order from column 80; trailing nulls dropped.
std::string Shown(TextStation& s, unsigned int row, bool rtl) {
  const Bytes b = s.row(row);
  std::string out;
  for (unsigned int i = 0; i < b.size(); ++i) out.push_back(Letter(rtl ? b[b.size() - 1 - i] : b[i]));
  while (!out.empty() && out.back() == '_') out.pop_back();
  return out;
}
std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  size_t from = 0;
  for (size_t at; (at = s.find(sep, from)) != std::string::npos; from = at + 1) out.push_back(s.substr(from, at - from));
  out.push_back(s.substr(from));
  return out;
}

std::vector<std::string> RunModel(const std::vector<std::string>& lines) { return RunLineModel(lines); }

// The screen column of a position given in the row's own order.
unsigned int Column(bool rtl, unsigned int column) { return rtl ? 81 - column : column; }

// A page under a bidirectional host editor: rows 3.. from the case (in
// reading order on right-to-left rows), the rows below empty, every text row
// on scale line 1 with the given pairs; the ids of rows 6.. follow on.
void Load(TextStation& s, bool rtl, const Bytes& scale, const std::vector<std::string>& rows,
          const std::vector<std::string>& ids = {}, unsigned char defFlags = 0x01, unsigned char lineFlags = 0) {
  const Bytes lines = ModelLines(rows, ids, Encode, static_cast<unsigned char>((rtl ? 0x80 : 0x00) | lineFlags));
  ASSERT_EQ(s.run(PageRecord(defFlags, 0x80, scale, lines, true)), 0u);
}
Bytes Margins(unsigned int left, unsigned int right) {
  return ScaleLine(1, {{static_cast<int>(left), 1}, {static_cast<int>(right), 2}});
}

struct SpillCase {
  const char* name;
  bool rtl;
  unsigned int left, right;
  char mode;            // 'R' replace, 'I' insert
  unsigned int column;  // where typing starts, in the row's own order
  const char* keys;
  const char* rows;     // rows 3, 4, 5 separated by '/'
  const char* ids;
};

const SpillCase kSpills[] = {
    {"replace at the margin lays the word over the next row", true, 2, 20, 'R', 18, "XYZ",
     "_AAAA BBBB CCCC DD/_EEE|/", "1.0/2.0/3.0"},
    {"the same, left to right", false, 2, 20, 'R', 18, "XYZ", "_AAAA BBBB CCCC DD/_EEE|/", "1.0/2.0/3.0"},
    {"a word that fills the row is broken with the hyphen", true, 2, 20, 'R', 20, "Z",
     "_AAAAAAAAAAAAAAAAAA/_EEE|/", "1.0/2.0/3.0"},
    {"typing after a carrier return blanks it", true, 2, 20, 'R', 8, "X", "_AB|//", "1.0/2.0/3.0"},
    {"replace on narrower margins", true, 5, 30, 'R', 27, "QRST", "____AAAAAAA BBBBBBB CCCCCC/____DDD|/",
     "1.0/2.0/3.0"},
    {"insert with room before the margin", true, 2, 20, 'I', 3, "XY", "_AB CD|//", "1.0/2.0/3.0"},
    {"insert spills the word and its blank into the next row", true, 2, 20, 'I', 2, "X",
     "_AAAA BBBB CCCC DDD /_EEE|/", "1.0/2.0/3.0"},
    {"the same, left to right", false, 2, 20, 'I', 2, "X", "_AAAA BBBB CCCC DDD /_EEE|/", "1.0/2.0/3.0"},
    {"a letter pushed past the margin stays with its word", true, 2, 20, 'I', 2, "X",
     "_AAAA BBBB CCCC DDDD/_EEE|/", "1.0/2.0/3.0"},
    {"insert at the end of a full row carries the cursor along", true, 2, 20, 'I', 20, "XY",
     "_AAAA BBBB CCCC DD /_EEE|/", "1.0/2.0/3.0"},
    {"insert without room on the next row opens a line", true, 2, 20, 'I', 2, "X",
     "_AAAA BBBB CCCC DDD /_EEEE EEEE EEEE EE|/_FF|", "1.0/2.0/3.0"},
    {"the same, left to right", false, 2, 20, 'I', 2, "X", "_AAAA BBBB CCCC DDD /_EEEE EEEE EEEE EE|/_FF|",
     "1.0/2.0/3.0"},
    {"an opened line between close ids renumbers their run", true, 2, 20, 'I', 2, "X",
     "_AAAA BBBB CCCC DDD /_EEEE EEEE EEEE EE|/_FF|", "1.0/1.1/2.0"},
    {"ids far apart take their mean", true, 2, 20, 'I', 2, "X", "_AAAA BBBB CCCC DDD /_EEEE EEEE EEEE EE|/_FF|",
     "1.0/2.0/2.9"},
    {"typing on through two spills", true, 2, 20, 'I', 16, "XYZXYZ", "_AAAA BBBB CCCC DDD /_EEE|/",
     "1.0/2.0/3.0"},
};

TEST(BidiModel, WordSpillInBothDirectionsFollowsTheModel) {
  std::vector<std::string> in;
  for (const SpillCase& c : kSpills)
    in.push_back(std::string(c.rtl ? "rtlspill;" : "spill;") + std::to_string(c.left) + ";" +
                 std::to_string(c.right) + ";" + c.mode + ";" + std::to_string(c.column) + ";" + c.keys + ";" +
                 c.rows + ";" + c.ids);
  const std::vector<std::string> expected = RunModel(in);
  ASSERT_EQ(expected.size(), sizeof kSpills / sizeof kSpills[0]);
  for (size_t i = 0; i < expected.size(); ++i) {
    const SpillCase& c = kSpills[i];
    SCOPED_TRACE(std::string(c.name) + (c.rtl ? " (right to left)" : " (left to right)"));
    // "rows row column ids", the rows holding blanks: read from the right.
    const std::string& e = expected[i];
    const size_t p3 = e.rfind(' '), p2 = e.rfind(' ', p3 - 1), p1 = e.rfind(' ', p2 - 1);
    const unsigned int row = static_cast<unsigned int>(std::stoi(e.substr(p1 + 1, p2 - p1 - 1)));
    const unsigned int column = static_cast<unsigned int>(std::stoi(e.substr(p2 + 1, p3 - p2 - 1)));
    const std::vector<std::string> parts = Split(e.substr(0, p1), '/');
    TextStation s;
    Load(s, c.rtl, Margins(c.left, c.right), Split(c.rows, '/'), Split(c.ids, '/'));
    if (c.mode == 'I') s.key(kInsert);
    s.text()->moveCursor(s.offset(3, Column(c.rtl, c.column)), Plane0);
    s.type(c.keys);
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    ASSERT_EQ(parts.size(), 3u);
    for (unsigned int r = 0; r < 3; ++r) EXPECT_EQ(Shown(s, 3 + r, c.rtl), parts[r]) << "row " << 3 + r;
    EXPECT_EQ(s.text()->cursorPos, s.offset(3 + row, Column(c.rtl, column)));
    const std::vector<std::string> want = Split(e.substr(p3 + 1), '/');
    for (unsigned int r = 0; r < want.size(); ++r) {
      const TextSession& t = *s.text();
      EXPECT_EQ(std::to_string(t.lineTable[2 + r].lineId) + "." + std::to_string(t.lineTable[2 + r].newLine),
                want[r])
          << "id of row " << 3 + r;
      // An opened line keeps the direction of the line it came from.
      EXPECT_EQ((t.lineTable[2 + r].ctl3 & 0x80000000u) != 0, c.rtl) << "row " << 3 + r;
    }
    EXPECT_TRUE(s.host.sent.empty());
  }
}

// A right-to-left row whose spill cannot happen: the row is put back as it
// was before the spill (a replaced character stays), an operator error shows
// and the cursor stays.
TEST(BidiModel, ASpillThatCannotHappenLeavesTheRowsAsTheyWere) {
  struct Case {
    const char* name;
    char mode;
    unsigned int column;
    const char* rows;
    const char* row3;        // afterwards: a replaced character stays
    unsigned int error;
  };
  const Case cases[] = {
      {"replace, the next row is not text", 'R', 20, "_AAAA BBBB CCCC DD/", "_AAAA BBBB CCCC DD X", 70},
      {"insert, a line that never spills", 'I', 2, "_AAAA BBBB CCCC DDD /_EEE|", "_AAAA BBBB CCCC DDD ", 70},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    Load(s, true, Margins(2, 20), Split(c.rows, '/'), {"1.0", "2.0"});
    TextSession& t = *s.text();
    if (c.mode == 'R') t.lineTable[3].ctl |= line_ctl::kNotText;
    if (c.mode == 'I') {
      t.lineTable[2].ctl |= 1u << 26;  // the line never spills
      s.key(kInsert);
    }
    const Bytes row3 = s.row(3), row4 = s.row(4);
    const unsigned int at = s.offset(3, Column(true, c.column));
    t.moveCursor(at, Plane0);
    s.type("X");
    EXPECT_TRUE(t.errorFlag());
    EXPECT_EQ(t.lastOperatorError(), c.error);
    EXPECT_EQ(Shown(s, 3, true), c.row3);
    if (c.mode == 'I') EXPECT_EQ(s.row(3), row3);
    EXPECT_EQ(s.row(4), row4);
    EXPECT_EQ(t.cursorPos, at);
    EXPECT_TRUE(s.host.sent.empty());
  }
}

// With the host continuing lines (host edges) and a scale line without its
// left-margin mark, a full right-to-left line hands the key to the host: a
// tab with text before it goes in and AID 0xDF tells the host; a character
// on the margin sends AID 0xD7; elsewhere the line cannot spill (error 70).
TEST(BidiModel, AFullRightToLeftLineUnderHostEdges) {
  struct Case {
    const char* name;
    FunctionWord key;
    unsigned int column;  // reading order
    const char* after;    // "=": as before
    unsigned char aid;    // 0: none
    unsigned int error;
  };
  const FunctionWord kX{10, 0xE7};
  const Case cases[] = {
      {"a tab inside the line", kTab, 6, "_AAAA~ BBBB CCCC DDD ", 0xDF, 0},
      {"a character on the margin", kX, 20, "=", 0xD7, 0},
      {"a character inside the line", kX, 6, "=", 0, 70},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    Load(s, true, ScaleLine(1, {{20, 2}}), {"_AAAA BBBB CCCC DDD "}, {}, 0x11);
    TextSession& t = *s.text();
    s.key(kInsert);
    const std::string before = Shown(s, 3, true);
    const unsigned int at = s.offset(3, Column(true, c.column));
    t.moveCursor(at, Plane0);
    s.key(c.key);
    EXPECT_EQ(Shown(s, 3, true), std::string(c.after) == "=" ? before : std::string(c.after));
    EXPECT_EQ(t.errorFlag(), c.error != 0);
    if (c.error) EXPECT_EQ(t.lastOperatorError(), c.error);
    ASSERT_EQ(s.host.sent.size(), c.aid ? 1u : 0u);
    if (c.aid) {
      EXPECT_EQ(s.host.sent[0][2], c.aid);
      EXPECT_EQ(t.pendingDataKey, c.key.code == 0xE7 ? 0xE7 : 0x05);
    }
    EXPECT_EQ(t.cursorPos, at);
  }
}

struct CentreCase {
  const char* name;
  unsigned int left, right;
  const char* line;
};

const CentreCase kCentres[] = {
    {"a line with its carrier return", 2, 70, "_HELLO WORLD|"},
    {"four letters at the left margin", 11, 30, "__________ABCD"},
    {"text past the middle moves back", 2, 70, "_                                        ABC|"},
    {"an odd width", 3, 40, "__X"},
    {"a long line moves by its half", 2, 20, "_AAAAAAAAAAAAAAA"},
    {"a line already in the middle stays", 2, 20, "_       ABCD|"},
};

TEST(BidiModel, CentringARightToLeftLineFollowsTheModel) {
  std::vector<std::string> in;
  for (const CentreCase& c : kCentres)
    in.push_back(std::string("rtlcentre;") + std::to_string(c.left) + ";" + std::to_string(c.right) + ";" + c.line);
  const std::vector<std::string> expected = RunModel(in);
  ASSERT_EQ(expected.size(), sizeof kCentres / sizeof kCentres[0]);
  for (size_t i = 0; i < expected.size(); ++i) {
    const CentreCase& c = kCentres[i];
    SCOPED_TRACE(c.name);
    const size_t space = expected[i].rfind(' ');
    const std::string line = expected[i].substr(0, space);
    const unsigned int column = static_cast<unsigned int>(std::stoi(expected[i].substr(space + 1)));
    TextStation s;
    Load(s, true, Margins(c.left, c.right), {c.line});
    s.text()->moveCursor(s.offset(3, Column(true, c.left)), Plane0);
    s.key(kCenter);
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    EXPECT_EQ(Shown(s, 3, true), line);
    EXPECT_EQ(s.text()->cursorPos, s.offset(3, Column(true, column)));
    EXPECT_TRUE(s.host.sent.empty());
  }
}

TEST(BidiModel, CentringRefusalsAndTheHostsCentring) {
  struct Case {
    const char* name;
    Bytes scale;
    const char* line;
    unsigned int cursorColumn;  // in reading order
    unsigned char aid;          // 0: none
    unsigned int error;         // 0: none
  };
  const Case cases[] = {
      {"no left-margin mark: the host centres", ScaleLine(1, {{20, 2}}), "_ABC", 2, 0xED, 0},
      {"a tab with tab marks on the scale line", ScaleLine(1, {{2, 1}, {10, 3}, {30, 2}}), "_A~B", 2, 0, 72},
      {"the cursor outside the margins", Margins(5, 30), "____ABC", 2, 0, 72},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    Load(s, true, c.scale, {c.line});
    const Bytes before = s.row(3);
    s.text()->moveCursor(s.offset(3, Column(true, c.cursorColumn)), Plane0);
    s.key(kCenter);
    EXPECT_EQ(s.row(3), before);
    EXPECT_EQ(s.text()->errorFlag(), c.error != 0);
    if (c.error) EXPECT_EQ(s.text()->lastOperatorError(), c.error);
    ASSERT_EQ(s.host.sent.size(), c.aid ? 1u : 0u);
    if (c.aid) EXPECT_EQ(s.host.sent[0][2], c.aid);
  }
}

// The tab key on a right-to-left row: in insert mode the tab goes in and the
// text after it stands on the stop as the model aligns it; in replace mode
// the tab overwrites the character, a required tab only moves the cursor.
TEST(BidiModel, TabOnARightToLeftLine) {
  struct Case {
    const char* name;
    bool insert;
    FunctionWord key;
    std::vector<std::pair<int, int>> pairs;
    const char* line;
    unsigned int column;       // cursor, reading order
    const char* modelLine;     // the line after the tab went in, before alignment; "" when not aligned
    const char* after;         // otherwise: the row afterwards
    unsigned int cursorAfter;  // reading order; 0: from the model
  };
  const Case cases[] = {
      {"a tab before text aligns it on a left stop", true, kTab, {{2, 1}, {10, 3}, {40, 2}}, "_AB", 2, "_~AB", "",
       0},
      {"a right stop ends the text on the stop", true, kTab, {{2, 1}, {15, 4}, {40, 2}}, "_AB", 2, "_~AB", "", 0},
      {"a required tab puts the text on a left stop", true, kRqTab, {{2, 1}, {10, 3}, {40, 2}}, "_AB", 2, "_^AB",
       "", 0},
      {"a tab after the text goes on to the stop ahead", true, kTab, {{2, 1}, {10, 3}, {40, 2}}, "_AB", 4, "",
       "_AB~", 10},
      {"replace mode: the tab overwrites the character", false, kTab, {{2, 1}, {10, 3}, {40, 2}}, "_ABC", 3, "",
       "_A~C", 4},
  };
  std::vector<std::string> in;
  for (const Case& c : cases) {
    if (!*c.modelLine) continue;
    std::string pairs;
    for (auto p : c.pairs) pairs += (pairs.empty() ? "" : ",") + std::to_string(p.first) + ":" + std::to_string(p.second);
    in.push_back(pairs + ";" + c.modelLine);
  }
  const std::vector<std::string> model = RunModel(in);
  size_t m = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    Bytes scale{static_cast<unsigned char>(3 + 2 * c.pairs.size()), 0x00, 1};
    for (auto p : c.pairs) {
      scale.push_back(static_cast<unsigned char>(p.first));
      scale.push_back(static_cast<unsigned char>(p.second));
    }
    Load(s, true, scale, {c.line});
    if (c.insert) s.key(kInsert);
    s.text()->moveCursor(s.offset(3, Column(true, c.column)), Plane0);
    s.key(c.key);
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    EXPECT_TRUE(s.host.sent.empty());
    if (*c.modelLine) {
      ASSERT_LT(m, model.size());
      // "left right stop code line": the line is the last field.
      const std::string aligned = model[m].substr(model[m].rfind(' ') + 1);
      std::string want = aligned;
      while (!want.empty() && want.back() == '_') want.pop_back();
      EXPECT_EQ(Shown(s, 3, true), want);
      // The cursor stays on the character that followed the tab.
      const unsigned int tab = static_cast<unsigned int>(std::string(c.modelLine).find_first_of("~^"));
      const size_t next = aligned.find_first_not_of('_', tab + 1);
      EXPECT_EQ(s.text()->cursorPos,
                s.offset(3, Column(true, next == std::string::npos ? tab + 2 : static_cast<unsigned int>(next) + 1)));
      ++m;
    } else {
      EXPECT_EQ(Shown(s, 3, true), c.after);
      EXPECT_EQ(s.text()->cursorPos, s.offset(3, Column(true, c.cursorAfter)));
    }
  }
}

// Typing into tabbed text of a right-to-left row in insert mode: the text
// stays aligned on its stop (left, right, centre, decimal point) as the
// model aligns the line with the new character.
TEST(BidiModel, TypingIntoTabbedTextKeepsItOnItsStop) {
  struct Case {
    const char* name;
    const char* pairs;
    const char* line;          // aligned before, reading order
    unsigned int column;       // cursor, reading order
    const char* model;         // the line's text with the character typed
    unsigned int cursorAfter;  // reading order
  };
  const Case cases[] = {
      {"a right stop: the text grows towards the tab", "2:1,15:4,40:2", "_~__________AB", 15, "_~ABX", 15},
      {"a left stop: the text grows away from it", "2:1,10:3,40:2", "_~_______AB", 12, "_~ABX", 13},
      {"a centre stop: the text stays centred", "2:1,20:5,40:2", "_~________________ABC", 22, "_~ABCX", 22},
      {"a decimal stop: digits after the point", "2:1,20:6,40:2", "_~_______________12.5", 22, "_~12.5X", 23},
      {"a decimal stop: digits before the point", "2:1,20:6,40:2", "_~_______________12.5", 20, "_~12X.5", 20},
  };
  std::vector<std::string> in;
  for (const Case& c : cases) in.push_back(std::string(c.pairs) + ";" + c.model);
  const std::vector<std::string> model = RunModel(in);
  ASSERT_EQ(model.size(), sizeof cases / sizeof cases[0]);
  for (size_t i = 0; i < model.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.name);
    std::string want = model[i].substr(model[i].rfind(' ') + 1);
    while (!want.empty() && want.back() == '_') want.pop_back();
    Bytes scale{0, 0x00, 1};
    for (const std::string& pair : Split(c.pairs, ',')) {
      const size_t colon = pair.find(':');
      scale.push_back(static_cast<unsigned char>(std::stoi(pair.substr(0, colon))));
      scale.push_back(static_cast<unsigned char>(std::stoi(pair.substr(colon + 1))));
    }
    scale[0] = static_cast<unsigned char>(scale.size());
    TextStation s;
    Load(s, true, scale, {c.line});
    s.key(kInsert);
    s.text()->moveCursor(s.offset(3, Column(true, c.column)), Plane0);
    s.type("X");
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    EXPECT_EQ(Shown(s, 3, true), want);
    EXPECT_EQ(s.text()->cursorPos, s.offset(3, Column(true, c.cursorAfter)));
  }
}

// Push opens a segment of the other direction at the cursor, end push
// leaves it; both refuse where a segment cannot start or end.
TEST(BidiModel, PushAndEndPush) {
  struct Case {
    const char* name;
    bool rtl;
    unsigned char defFlags;        // 0x01 bidirectional host editor
    unsigned char lineFlags;       // 0x20: the line carries segment markers
    const char* line;              // in the row's own (reading) order
    unsigned int column;           // cursor, in the row's own order
    std::vector<FunctionWord> keys;
    unsigned int error;
    const char* after;             // "=": as before
    unsigned int cursorAfter;      // in the row's own order; 0: the cursor stays
    bool segmentsFlag;             // ctl3 bit 29 afterwards
    bool segmentEnd;               // modes bit 19 afterwards
  };
  const FunctionWord k1{10, 0xF1}, k2{10, 0xF2};
  const Case cases[] = {
      {"push on a right-to-left line opens a segment", true, 0x01, 0, "_ABCD|", 4, {kPush}, 0, "_AB[]CD|", 4, true,
       true},
      {"typing after push fills the segment", true, 0x01, 0, "_ABCD|", 4, {kPush, k1, k2}, 0, "_AB[21]CD|", 4, true,
       true},
      {"end push after typing leaves the segment", true, 0x01, 0, "_ABCD|", 4, {kPush, k1, k2, kEndPush}, 0,
       "_AB[21]CD|", 6, true, false},
      {"push on a left-to-right line", false, 0x01, 0, "_ABCD|", 4, {kPush}, 0, "_AB[]CD|", 4, true, true},
      {"typing after push on a left-to-right line", false, 0x01, 0, "_ABCD|", 4, {kPush, k1, k2}, 0, "_AB[21]CD|",
       4, true, true},
      {"end push on a left-to-right line", false, 0x01, 0, "_ABCD|", 4, {kPush, k1, k2, kEndPush}, 0,
       "_AB[21]CD|", 6, true, false},
      {"push again at the segment's start", true, 0x01, 0, "_ABCD|", 4, {kPush, kPush}, 60, "_AB[]CD|", 4, true,
       true},
      {"push inside a segment", true, 0x01, 0x20, "_A[XYZ]B|", 5, {kPush}, 60, "=", 0, true, false},
      {"end push outside a segment", true, 0x01, 0x20, "_A[XYZ]B|", 8, {kEndPush}, 61, "=", 0, true, false},
      {"end push on a segment's begin marker", true, 0x01, 0x20, "_A[XYZ]B|", 3, {kEndPush}, 61, "=", 0, true,
       false},
      {"end push inside a segment splits it", true, 0x01, 0x20, "_A[XYZ]B|", 5, {kEndPush}, 0, "_A[YXZ][]B|", 10,
       true, false},
      {"push outside the margins", true, 0x01, 0, "_ABCD|", 1, {kPush}, 72, "=", 0, false, false},
      {"without a bidirectional host editor the keys do nothing", false, 0x00, 0, "_ABCD|", 4, {kPush, kEndPush}, 0,
       "=", 0, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    Load(s, c.rtl, Margins(2, 40), {c.line}, {}, c.defFlags, c.lineFlags);
    TextSession& t = *s.text();
    const std::string before = Shown(s, 3, c.rtl);
    const unsigned int at = s.offset(3, Column(c.rtl, c.column));
    t.moveCursor(at, Plane0);
    for (const FunctionWord& k : c.keys) s.key(k);
    EXPECT_EQ(t.errorFlag(), c.error != 0);
    if (c.error) EXPECT_EQ(t.lastOperatorError(), c.error);
    EXPECT_EQ(Shown(s, 3, c.rtl), std::string(c.after) == "=" ? before : std::string(c.after));
    EXPECT_EQ(t.cursorPos, c.cursorAfter ? s.offset(3, Column(c.rtl, c.cursorAfter)) : at);
    EXPECT_EQ((t.lineTable[2].ctl3 & (1u << 29)) != 0, c.segmentsFlag);
    EXPECT_EQ((t.modes & (1u << 19)) != 0, c.segmentEnd);
    EXPECT_TRUE(s.host.sent.empty());
  }
}

// A segment at the end of a right-to-left line goes to the next line whole,
// with its markers, when typing in push mode leaves no room; the segment
// flags move with it. A word after a segment spills without it.
TEST(BidiModel, ASegmentSpillsWithItsMarkers) {
  struct Case {
    const char* name;
    bool rtl;
    const char* row3;          // host order: segments read against the line
    int mode;                  // 1: push first at the cursor, 2: insert mode, then type
    unsigned int column;       // reading order
    const char* keys;
    const char* after3;        // line order (segments reversed)
    const char* after4;
    unsigned int cursorRow, cursorColumn;
    bool segments3, segments4; // ctl3 bit 29 of rows 3 and 4
    bool pushModeAfter;        // modes bit 19
  };
  const Case cases[] = {
      // The first digit pushes DD past the margin (DD spills alone); the
      // next one pushes the closed segment to the margin and it follows.
      {"digits pushed into a full line take the segment along", true, "_AAAA BBBB CCCC DD", 1, 17, "123",
       "_AAAA BBBB CCCC |___@", "@[321]DDEEE|________@", 4, 2, false, true, true},
      {"the same on a left-to-right line", false, "_AAAA BBBB CCCC DD", 1, 17, "123", "_AAAA BBBB CCCC |",
       "@[321]DDEEE|", 4, 2, false, true, true},
      // The segment runs on past the margin: its word at the margin moves
      // and the next line starts inside the segment.
      {"a segment's word pushed past the margin", true, "_AAAA BBBB [CC DDDDD", 2, 15, "9",
       "_AAAA BBBB [DDD9DD |@", "@CCEEE|_____________@", 3, 15, true, true, false},
      // The end marker ends a word: the typed character spills alone.
      {"a word after a segment at the margin spills alone", true, "_AAAA BBBB CCC [12]", 0, 20, "X",
       "_AAAA BBBB CCC [21]|@", "@XEE|_______________@", 4, 3, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    Load(s, c.rtl, Margins(2, 20), {c.row3, "_EEE|"}, {"1.0", "2.0", "3.0"}, 0x01, 0x20);
    TextSession& t = *s.text();
    t.lineTable[3].ctl3 &= ~(1u << 29);  // row 4 holds no segment yet
    t.moveCursor(s.offset(3, Column(c.rtl, c.column)), Plane0);
    if (c.mode == 1) s.key(kPush);
    if (c.mode == 2) s.key(kInsert);
    s.type(c.keys);
    EXPECT_FALSE(t.errorFlag()) << t.lastOperatorError();
    EXPECT_EQ(Shown(s, 3, c.rtl), c.after3);
    EXPECT_EQ(Shown(s, 4, c.rtl), c.after4);
    EXPECT_EQ(t.cursorPos, s.offset(c.cursorRow, Column(c.rtl, c.cursorColumn)));
    EXPECT_EQ((t.lineTable[2].ctl3 & (1u << 29)) != 0, c.segments3);
    EXPECT_EQ((t.lineTable[3].ctl3 & (1u << 29)) != 0, c.segments4);
    // Row 4 starts inside a segment when the segment goes on from row 3,
    // which then ends inside it.
    const bool continues = c.mode == 2;
    EXPECT_EQ((t.lineTable[3].ctl3 & (1u << 30)) != 0, continues);
    EXPECT_EQ(t.lineTable[2].segments != 0, continues);
    EXPECT_EQ((t.modes & (1u << 19)) != 0, c.pushModeAfter);
  }
}

}  // namespace

// Insert mode on a full row (margins 2 and 71): "XY" typed at its start
// pushes "BB" past the margin onto the next row, whose free room is one
// more than, exactly, or one less than the word. No character is lost: the
// word fits into the row or a line opens for it.
TEST(BidiModel, InsertSpillIntoARowItJustFits) {
  const std::string A(66, 'A');
  auto E = [](unsigned int n) { return std::string(n, 'E'); };
  const std::string row3 = "_XY" + A + " |";
  struct Case {
    const char* name;
    unsigned int nextLength;          // letters on row 4 before its carrier return
    std::vector<std::string> ltr, rtl;  // rows 3..6 after, in reading order
  };
  const Case cases[] = {
      {"room for one more", 66, {row3, "@BB" + E(66) + "|", "_FF|", ""},
       {row3 + "@", "@BB" + E(66) + "|_@", "_FF|", ""}},
      {"the word fills the room exactly", 67, {row3, "@BB" + E(67) + "|", "_FF|", ""},
       {row3 + "@", "@BB" + E(67) + "|@", "_FF|", ""}},
      {"one short of room: a line opens", 68, {row3, "@BB|", "_" + E(68) + "|", "_FF|"},
       {row3 + "@", "@BB|" + std::string(67, '_') + "@", "_" + E(68) + "|", "_FF|"}},
  };
  for (const Case& c : cases)
    for (bool rtl : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (rtl ? " (right to left)" : " (left to right)"));
      TextStation s;
      Load(s, rtl, Margins(2, 71), {"_" + A + "_ BB", "_" + E(c.nextLength) + "|", "_FF|"});
      s.key(kInsert);
      s.text()->moveCursor(s.offset(3, Column(rtl, 2)), Plane0);
      s.type("XY");
      EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
      const std::vector<std::string>& want = rtl ? c.rtl : c.ltr;
      for (unsigned int r = 0; r < want.size(); ++r) EXPECT_EQ(Shown(s, 3 + r, rtl), want[r]) << "row " << 3 + r;
      EXPECT_EQ(s.text()->cursorPos, s.offset(3, Column(rtl, 4)));
    }
}

// The host wrote the row's last letter one past its right margin (margins 2
// and 70): the first key fills the null in the row, the second would push
// the text over that letter, so it is refused and nothing is lost.
TEST(BidiModel, InsertNeverOverwritesALetterPastTheMargin) {
  const std::string A(66, 'A');
  struct Case {
    unsigned int column;  // where typing starts
    const char* keys;
    std::string after;    // row 3 in reading order
    bool refused;
  };
  const Case cases[] = {
      {2, "X", "_X" + A + " BB", false},
      {2, "XY", "_X" + A + " BB", true},
      {68, "XY", "_" + A + "X BB", true},
      {69, "X", "_" + A + "_ BB", true},
  };
  for (const Case& c : cases)
    for (bool rtl : {true, false}) {
      SCOPED_TRACE(std::string(c.keys) + " at column " + std::to_string(c.column) +
                   (rtl ? " (right to left)" : " (left to right)"));
      TextStation s;
      Load(s, rtl, Margins(2, 70), {"_" + A + "_ BB", "_EE|"});
      s.key(kInsert);
      s.text()->moveCursor(s.offset(3, Column(rtl, c.column)), Plane0);
      s.type(c.keys);
      EXPECT_EQ(s.text()->errorFlag(), c.refused);
      if (c.refused) EXPECT_EQ(s.text()->lastOperatorError(), 70u);
      std::string row3 = Shown(s, 3, rtl);
      if (rtl && !row3.empty() && row3.back() == '@') row3.pop_back();
      EXPECT_EQ(row3, c.after);
      EXPECT_EQ(Shown(s, 4, rtl), "_EE|");
    }
}
