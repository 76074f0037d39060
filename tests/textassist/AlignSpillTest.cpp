// Tabbed text that its alignment pushes against the right margin: the last
// word spills to the next line (checked against the independent model in
// line_model.py), in both writing directions; a spill that cannot be done
// restores the line (operator error 70 when the byte after the margin is
// text), or hands the line to a host that handles spills (AID 0xD7).
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "tests/textassist/TextRows.h"

namespace {

constexpr unsigned char kBidiEditor = 0x01, kHostEdges = 0x10;  // DFTXT byte 5
constexpr unsigned char kRtlLine = 0x80;                       // line control byte 4
constexpr uint32_t kNeverSpills = 1u << 26;                    // LineControlRecord::ctl

// The model's alphabet: '_' null, '|' carrier return, '~' tab, '^' required
// tab, '@' the attribute 0x20, '-' the hyphen character.
unsigned char Code(char c) {
  switch (c) {
    case '~': return 0x05;
    case '^': return 0x02;
    case '|': return 0x03;
    case '_': return 0x00;
    case '@': return 0x20;
    case '-': return 0xCA;
    default: return Ebc(std::string(1, c))[0];
  }
}
Bytes Encode(const std::string& text) {
  Bytes b;
  for (char c : text) b.push_back(Code(c));
  return b;
}
char Letter(unsigned char b) {
  switch (b) {
    case 0x00: return '_';
    case 0x40: return ' ';
    case 0x03: return '|';
    case 0x05: return '~';
    case 0x02: return '^';
    case 0x20: return '@';
    case 0xCA: return '-';
    default: break;
  }
  if (b >= 0xC1 && b <= 0xC9) return static_cast<char>('A' + (b - 0xC1));
  if (b >= 0xD1 && b <= 0xD9) return static_cast<char>('J' + (b - 0xD1));
  if (b >= 0xE2 && b <= 0xE9) return static_cast<char>('S' + (b - 0xE2));
  return '?';
}
std::vector<std::string> Split(const std::string& s, char sep) { return SplitFields(s, sep); }

std::vector<std::string> RunModel(const std::vector<std::string>& lines) { return RunLineModel(lines, "ltr"); }

// A page with scale line 1 of the given pairs, rows 3.. holding `rows` (in
// reading order: on a right-to-left row the first character stands in
// column 80) and empty rows down to row 23, ids 1, 2, ...
void Load(TextStation& s, const std::vector<std::pair<int, int>>& pairs, const std::vector<std::string>& rows,
          bool rtl, unsigned char defFlags = 0, bool read = true) {
  Bytes entry{static_cast<unsigned char>(3 + 2 * pairs.size()), 0x00, 0x01};
  for (const auto& p : pairs) {
    entry.push_back(static_cast<unsigned char>(p.first));
    entry.push_back(static_cast<unsigned char>(p.second));
  }
  Bytes lines;
  for (unsigned int r = 3; r <= 23; ++r) {
    const unsigned int i = r - 3;
    Bytes text = i < rows.size() ? Encode(rows[i]) : Bytes{};
    if (text.empty()) text = Bytes{0x00};
    TextLine l{r, text, r - 2};
    if (rtl) l.byte4 = kRtlLine;
    lines = lines + LineRecord(l);
  }
  Bytes fields = Dftxt(static_cast<unsigned char>(defFlags | (rtl ? kBidiEditor : 0)), 0x80) + Dfscl(entry) +
                 Wrtxt(0x80, 0x00, 0x08, 3, 2, lines);
  if (read) fields = fields + Rdtxt();
  ASSERT_EQ(s.run(Wsf(fields)), 0u);
}

// Row r in reading order, trailing nulls dropped.
std::string Shown(TextStation& s, unsigned int r, bool rtl) {
  const Bytes b = s.row(r);
  std::string out;
  for (unsigned int i = 0; i < b.size(); ++i) out.push_back(Letter(rtl ? b[b.size() - 1 - i] : b[i]));
  while (!out.empty() && out.back() == '_') out.pop_back();
  return out;
}
// The screen column of a reading-order column.
unsigned int Column(unsigned int column, bool rtl) { return rtl ? 81 - column : column; }

struct TabSpillCase {
  const char* name;
  const char* pairs;
  std::vector<std::pair<int, int>> scale;
  unsigned int column;  // reading-order column of row 3 where the key goes
  const char* keys;
  std::string rows;  // rows 3.. in reading order
  bool opensLine;    // the word needs a new line (under a required tab it is indented)
};

const std::string kNulls25(25, '_');
const std::string kFull = "AAAA BBBB CCCC DDDD EEEE FFFF GGGG HHHHHH";  // 41 characters: columns 30 to 70

const TabSpillCase kTabSpills[] = {
    {"a right stop under a required tab", "2:1,30:4,70:2", {{2, 1}, {30, 4}, {70, 2}}, 27, "X",
     "_AB^" + kNulls25 + kFull + "/_ZZ|/", true},
    {"a centre stop under a required tab", "2:1,30:5,70:2", {{2, 1}, {30, 5}, {70, 2}}, 27, "X",
     "_AB^" + kNulls25 + kFull + "/_ZZ|/", true},
    {"a decimal stop under a required tab", "2:1,30:6,70:2", {{2, 1}, {30, 6}, {70, 2}}, 27, "X",
     "_AB^" + kNulls25 + kFull + "/_ZZ|/", true},
    {"a left stop under a tab", "2:1,30:3,70:2", {{2, 1}, {30, 3}, {70, 2}}, 28, "X",
     "_AB~" + kNulls25 + kFull + "/_ZZ|/", false},
    {"the whole gap: the typed character goes to the stop", "2:1,30:4,70:2", {{2, 1}, {30, 4}, {70, 2}}, 25, "X",
     "_AB^" + kNulls25 + kFull + "/_ZZ|/", true},
};

// Each case also runs with the last text row changed and a row above the
// tabbed one: a line for the word then opens by moving the rows above up
// (the first text row's text leaves the page), so the tabbed row and the
// rows after it stand where the model has them; a word that goes into the
// next row leaves the rows where they are.
TEST(AlignSpill, TabbedTextPushedToTheMarginSpillsItsLastWord) {
  for (const bool rtl : {false, true}) {
    std::vector<std::string> in;
    for (const TabSpillCase& c : kTabSpills)
      in.push_back(std::string(rtl ? "rtltabspill;" : "tabspill;") + c.pairs + ";" + std::to_string(c.column) + ";" +
                   c.keys + ";" + c.rows);
    const std::vector<std::string> expected = RunModel(in);
    ASSERT_EQ(expected.size(), sizeof kTabSpills / sizeof kTabSpills[0]);
    for (size_t i = 0; i < expected.size(); ++i) {
      for (const bool up : {false, true}) {
        const TabSpillCase& c = kTabSpills[i];
        SCOPED_TRACE(std::string(c.name) + (rtl ? ", right to left" : ", left to right") +
                     (up ? ", the rows above move up" : ""));
        // "rows rowIndex column": the rows hold blanks, read from the right.
        std::string e = expected[i];
        size_t sp = e.rfind(' ');
        const unsigned int column = static_cast<unsigned int>(std::stoi(e.substr(sp + 1)));
        e = e.substr(0, sp);
        sp = e.rfind(' ');
        const unsigned int rowIndex = static_cast<unsigned int>(std::stoi(e.substr(sp + 1)));
        const std::vector<std::string> want = Split(e.substr(0, sp), '/');
        std::vector<std::string> rows = Split(c.rows, '/');
        if (up) rows.insert(rows.begin(), "_QQQ|");
        TextStation s;
        Load(s, c.scale, rows, rtl, 0, !up);
        TextSession& t = *s.text();
        const uint32_t firstLine = t.firstLineNumber;
        s.key(FunctionWord{3, 1});  // insert mode
        t.moveCursor(s.offset(up ? 4 : 3, Column(c.column, rtl)), Plane0);
        if (up) t.lineTable[t.textDef.lastTextRow - 1].ctl |= line_ctl::kChanged;
        s.type(c.keys);
        EXPECT_FALSE(t.errorFlag()) << t.lastOperatorError();
        const bool scrolled = up && c.opensLine;
        const unsigned int top = up && !scrolled ? 4 : 3;
        if (top == 4) EXPECT_EQ(Shown(s, 3, rtl), "_QQQ|");
        for (unsigned int r = 0; r < want.size(); ++r)
          EXPECT_EQ(Shown(s, top + r, rtl), want[r]) << "row " << top + r;
        EXPECT_EQ(t.cursorPos, s.offset(top + rowIndex, Column(column, rtl)));
        EXPECT_EQ(t.firstLineNumber - firstLine, scrolled ? 2u : 0u);
        EXPECT_TRUE(s.host.sent.empty());
      }
    }
  }
}

// A spill during alignment that cannot be done, called as the alignment
// calls it: with host edges, a line without a left-margin mark or indent
// and a cursor past the last-but-one position (the first position on a
// right-to-left line) goes to the host as AID 0xD7; otherwise the line is
// put back, with operator error 70 when the byte after the right margin is
// text.
TEST(AlignSpill, ARefusedSpillRestoresTheLineOrTellsTheHost) {
  struct Case {
    const char* name;
    bool rtl;
    unsigned char defFlags;
    bool leftMark;
    bool neverSpills;
    unsigned int cursorColumn;  // screen column
    char afterMargin;           // reading-order column 71: '_' null, '|' carrier return, else a letter
    unsigned char aid;          // 0: none
    unsigned int error;         // 0: none
  };
  const Case cases[] = {
      {"host edges, no left-margin mark, cursor on the last position", false, kHostEdges, false, false, 80, '_', 0xD7,
       0},
      {"host edges, cursor on the last-but-one position", false, kHostEdges, false, false, 79, 'Q', 0, 70},
      {"host edges but the line never spills", false, kHostEdges, false, true, 80, 'Q', 0, 70},
      {"no host edges", false, 0, false, false, 80, 'Q', 0, 70},
      {"a line that never spills, text after the margin", false, 0, true, true, 80, 'Q', 0, 70},
      {"a line that never spills, a null after the margin", false, 0, true, true, 80, '_', 0, 0},
      {"a line that never spills, a carrier return after the margin", false, 0, true, true, 80, '|', 0, 0},
      {"right to left: host edges, cursor on the first position", true, kHostEdges, false, false, 1, '_', 0xD7, 0},
      {"right to left: host edges, cursor on the second position", true, kHostEdges, false, false, 2, 'Q', 0, 70},
      {"right to left: a line that never spills, text after the margin", true, 0, true, true, 1, 'Q', 0, 70},
      {"right to left: a line that never spills, a null after the margin", true, 0, true, true, 1, '_', 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    std::vector<std::pair<int, int>> scale = {{40, 3}, {70, 2}};
    if (c.leftMark) scale.insert(scale.begin(), {2, 1});
    // A full line from column 2 to the margin (column 70), then the byte
    // after the margin.
    const std::string row3 = "_" + kFull + std::string(28, 'K') + c.afterMargin;
    Load(s, scale, {row3}, c.rtl, c.defFlags);
    TextSession& t = *s.text();
    if (c.neverSpills) t.lineTable[2].ctl |= kNeverSpills;
    s.key(FunctionWord{3, 1});
    unsigned int cursor = s.offset(3, c.cursorColumn);
    t.moveCursor(cursor, Plane0);
    s.host.sent.clear();
    const Bytes before = s.row(3);
    const bool failed = c.rtl ? t.bidialignspill(cursor, 3) : t.alignspill(cursor, 3);
    EXPECT_TRUE(failed);
    EXPECT_EQ(s.row(3), before) << "the line is as it was";
    EXPECT_EQ(Shown(s, 4, c.rtl), "");
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

// Typed into text under a tab (not a required tab) with a centre stop, the
// text cannot spill from its tab: the character stays where it was typed,
// the alignment is put back and operator error 70 shows.
TEST(AlignSpill, TypingIntoCentredTextThatCannotSpill) {
  for (const bool rtl : {false, true}) {
    SCOPED_TRACE(rtl ? "right to left" : "left to right");
    TextStation s;
    // The centred text fills the row from the tab to the margin, one null
    // before the stop.
    const std::string row3 = "_AB~_" + std::string(34, 'K') + " " + std::string(30, 'M') + "Q";
    Load(s, {{2, 1}, {40, 5}, {70, 2}}, {row3}, rtl);
    TextSession& t = *s.text();
    s.key(FunctionWord{3, 1});
    t.moveCursor(s.offset(3, Column(5, rtl)), Plane0);
    s.type("X");
    EXPECT_TRUE(t.errorFlag());
    EXPECT_EQ(t.lastOperatorError(), 70u);
    std::string typed = row3;
    typed[4] = 'X';
    while (!typed.empty() && typed.back() == '_') typed.pop_back();
    EXPECT_EQ(Shown(s, 3, rtl), typed);
    EXPECT_EQ(Shown(s, 4, rtl), "");
  }
}

}  // namespace
