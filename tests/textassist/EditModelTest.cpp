// Typing with word spill (replace and insert mode), centring and the ids of
// lines that a spill inserts, against the independent model of a text line
// (line_model.py, run with python3).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "tests/textassist/TextRows.h"

namespace {

// The model's alphabet: '_' null, '|' carrier return, '~' tab, '@' the
// attribute 0x20, '-' the hyphen character; letters and blanks as EBCDIC.
const RowAlphabet kRows{{{'~', 0x05}, {'^', 0x02}, {'|', 0x03}, {'_', 0x00}, {'@', 0x20}, {'-', 0xCA}}, false};
unsigned char Code(char c) { return kRows.encode(std::string(1, c))[0]; }
Bytes Encode(const std::string& line) { return kRows.encode(line); }
std::string Decode(const Bytes& row) { return kRows.show(row); }
std::vector<std::string> Split(const std::string& s, char sep) { return SplitFields(s, sep); }

std::vector<std::string> RunModel(const std::vector<std::string>& lines) { return RunLineModel(lines); }

struct SpillCase {
  const char* name;
  unsigned int left, right;
  char mode;            // 'R' replace, 'I' insert
  unsigned int column;  // of row 3, where typing starts
  const char* keys;
  const char* rows;     // rows 3, 4, 5 separated by '/'
  const char* ids;      // their line ids, high.low
};

const SpillCase kSpills[] = {
    {"replace at the margin lays the word over the next row", 2, 20, 'R', 18, "XYZ",
     "_AAAA BBBB CCCC DD/_EEE|/", "1.0/2.0/3.0"},
    {"a word that fills the row is broken with the hyphen", 2, 20, 'R', 20, "Z",
     "_AAAAAAAAAAAAAAAAAA/_EEE|/", "1.0/2.0/3.0"},
    {"typing after a carrier return blanks it", 2, 20, 'R', 8, "X", "_AB|//", "1.0/2.0/3.0"},
    {"insert with room before the margin", 2, 20, 'I', 3, "XY", "_AB CD|//", "1.0/2.0/3.0"},
    {"insert spills the word and its blank into the next row", 2, 20, 'I', 2, "X",
     "_AAAA BBBB CCCC DDD /_EEE|/", "1.0/2.0/3.0"},
    {"insert at the end of a full row carries the cursor along", 2, 20, 'I', 20, "XY",
     "_AAAA BBBB CCCC DD /_EEE|/", "1.0/2.0/3.0"},
    {"insert without room on the next row opens a line", 2, 20, 'I', 2, "X",
     "_AAAA BBBB CCCC DDD /_EEEE EEEE EEEE EE|/_FF|", "1.0/2.0/3.0"},
    {"an opened line between close ids renumbers their run", 2, 20, 'I', 2, "X",
     "_AAAA BBBB CCCC DDD /_EEEE EEEE EEEE EE|/_FF|", "1.0/1.1/2.0"},
    {"a mean with a zero low byte is no free id", 2, 20, 'I', 2, "X",
     "_AAAA BBBB CCCC DDD /_EEEE EEEE EEEE EE|/_FF|", "1.0/3.0/4.0"},
    {"ids far apart take their mean", 2, 20, 'I', 2, "X", "_AAAA BBBB CCCC DDD /_EEEE EEEE EEEE EE|/_FF|",
     "1.0/2.0/2.9"},
};

struct CentreCase {
  const char* name;
  unsigned int left, right;
  const char* line;
};

const CentreCase kCentres[] = {
    {"a line with its carrier return", 2, 70, "_HELLO WORLD|"},
    {"four letters at the left margin", 11, 30, "__________ABCD"},
    {"text right of the centre moves left", 2, 70, "_                                        ABC|"},
    {"an odd width", 3, 40, "__X"},
    {"a long line moves by its half", 2, 20, "_AAAAAAAAAAAAAAA"},
};

std::string SpillLine(const SpillCase& c) {
  return std::string("spill;") + std::to_string(c.left) + ";" + std::to_string(c.right) + ";" + c.mode + ";" +
         std::to_string(c.column) + ";" + c.keys + ";" + c.rows + ";" + c.ids;
}

// A page: rows 3..5 from the case, the rows below empty, every text row on
// scale line 1 with the case's margins; the ids of rows 6.. follow on.
void Load(TextStation& s, unsigned int left, unsigned int right, const std::vector<std::string>& rows,
          const std::vector<std::string>& ids) {
  ASSERT_EQ(s.run(PageRecord(0x00, 0x80, ScaleLine(1, {{static_cast<int>(left), 1}, {static_cast<int>(right), 2}}),
                             ModelLines(rows, ids, Encode), true)),
            0u);
}

TEST(EditModel, TypingAndWordSpillFollowTheModel) {
  std::vector<std::string> in;
  for (const SpillCase& c : kSpills) in.push_back(SpillLine(c));
  const std::vector<std::string> expected = RunModel(in);
  ASSERT_EQ(expected.size(), sizeof kSpills / sizeof kSpills[0]);
  for (size_t i = 0; i < expected.size(); ++i) {
    const SpillCase& c = kSpills[i];
    SCOPED_TRACE(c.name);
    // "rows row column ids", the rows holding blanks: read from the right.
    const std::string& e = expected[i];
    const size_t p3 = e.rfind(' '), p2 = e.rfind(' ', p3 - 1), p1 = e.rfind(' ', p2 - 1);
    const unsigned int row = static_cast<unsigned int>(std::stoi(e.substr(p1 + 1, p2 - p1 - 1)));
    const unsigned int column = static_cast<unsigned int>(std::stoi(e.substr(p2 + 1, p3 - p2 - 1)));
    const std::vector<std::string> parts = Split(e.substr(0, p1), '/');
    TextStation s;
    Load(s, c.left, c.right, Split(c.rows, '/'), Split(c.ids, '/'));
    if (c.mode == 'I') s.key(FunctionWord{3, 1});
    s.text()->moveCursor(s.offset(3, c.column), Plane0);
    s.type(c.keys);
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    ASSERT_EQ(parts.size(), 3u);
    for (unsigned int r = 0; r < 3; ++r) EXPECT_EQ(Decode(s.row(3 + r)), parts[r]) << "row " << 3 + r;
    EXPECT_EQ(s.text()->cursorPos, s.offset(3 + row, column));
    const std::vector<std::string> want = Split(e.substr(p3 + 1), '/');
    for (unsigned int r = 0; r < want.size(); ++r) {
      const TextSession& t = *s.text();
      EXPECT_EQ(std::to_string(t.lineTable[2 + r].lineId) + "." + std::to_string(t.lineTable[2 + r].newLine),
                want[r])
          << "id of row " << 3 + r;
    }
  }
}

TEST(EditModel, CentringFollowsTheModel) {
  std::vector<std::string> in;
  for (const CentreCase& c : kCentres)
    in.push_back(std::string("centre;") + std::to_string(c.left) + ";" + std::to_string(c.right) + ";" + c.line);
  const std::vector<std::string> expected = RunModel(in);
  ASSERT_EQ(expected.size(), sizeof kCentres / sizeof kCentres[0]);
  for (size_t i = 0; i < expected.size(); ++i) {
    const CentreCase& c = kCentres[i];
    SCOPED_TRACE(c.name);
    const size_t space = expected[i].rfind(' ');
    const std::string line = expected[i].substr(0, space);
    const unsigned int column = static_cast<unsigned int>(std::stoi(expected[i].substr(space + 1)));
    TextStation s;
    Load(s, c.left, c.right, {c.line}, {"1.0"});
    s.text()->moveCursor(s.offset(3, c.left), Plane0);
    s.key(FunctionWord{26, 9});
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    EXPECT_EQ(Decode(s.row(3)), line);
    EXPECT_EQ(s.text()->cursorPos, s.offset(3, column));
    EXPECT_TRUE(s.host.sent.empty());
  }
}

}  // namespace

namespace {

// The left-to-right cases of the model, run as "line_model.py ltr FILE".
std::vector<std::string> RunLtrModel(const std::vector<std::string>& lines) { return RunLineModel(lines, "ltr"); }

// The line's text with '.' and digits too.
Bytes EncodeText(const std::string& line) {
  Bytes b;
  for (char c : line)
    b.push_back(c == '.'                  ? 0x4B
                : c == '%'                ? 0x06
                : (c >= '0' && c <= '9') ? Ebc(std::string(1, c))[0]
                                          : Code(c));
  return b;
}
std::string DecodeText(const Bytes& row) {
  std::string s = Decode(row);
  for (size_t i = 0; i < s.size(); ++i) {
    if (row[i] == 0x4B) s[i] = '.';
    else if (row[i] == 0x6B) s[i] = ',';
    else if (row[i] == 0x06) s[i] = '%';
    else if (row[i] >= 0xF0 && row[i] <= 0xF9) s[i] = static_cast<char>('0' + (row[i] - 0xF0));
  }
  return s;
}

struct TabTypeCase {
  const char* name;
  const char* pairs;  // column:code, ...
  unsigned int column;
  const char* keys;
  const char* line;  // row 3
};

const TabTypeCase kTabTyping[] = {
    {"a right stop: typed text grows leftwards, its end stays on the stop", "2:1,20:4,70:2", 20, "345",
     "_AB~_____________12|"},
    {"a right stop: typing inside the text", "2:1,20:4,70:2", 18, "9", "_AB~_____________12|"},
    {"a decimal stop: digits grow leftwards until the point stands on the stop", "2:1,20:6,70:2", 20, "12.5",
     "_AB~"},
    {"a decimal stop without a point: the digits end before the stop", "2:1,20:6,70:2", 20, "1234", "_AB~"},
    {"a decimal stop: a point typed into aligned digits, then the fraction", "2:1,20:6,70:2", 20, ".25",
     "_AB~_____________12"},
    {"a comma stop", "2:1,30:7,70:2", 30, "9", "_AB~_______________________1,5|"},
    {"a left stop: the text grows rightwards from the stop", "2:1,20:3,70:2", 20, "XY", "_AB~_______________CD|"},
    {"a right stop past the tab's text on another stop", "2:1,20:4,40:4,70:2", 20, "7", "_AB~_____________12|"},
    {"a centre stop: typed text stays centred on the stop", "2:1,30:5,70:2", 30, "ABCD", "_AB~"},
    {"a centre stop: typing in front of centred text", "2:1,30:5,70:2", 20, "Q",
     "_AB~________________________XYZ"},
    {"a centre stop: typing into centred text", "2:1,30:5,70:2", 31, "Q", "_AB~________________________XYZ|"},
};

// A page whose text rows share scale line 1 with the given pairs.
void LoadPairs(TextStation& s, const std::string& pairs, const std::string& row3) {
  Bytes entry;
  unsigned int n = 0;
  for (const std::string& p : Split(pairs, ',')) {
    const size_t colon = p.find(':');
    entry.push_back(static_cast<unsigned char>(std::stoi(p.substr(0, colon))));
    entry.push_back(static_cast<unsigned char>(std::stoi(p.substr(colon + 1))));
    ++n;
  }
  const Bytes scale = Bytes{static_cast<unsigned char>(3 + 2 * n), 0x00, 0x01} + entry;
  Bytes lines = PageLines(EncodeText(row3));
  ASSERT_EQ(s.run(PageRecord(0x00, 0x80, scale, lines, true)), 0u);
}

TEST(EditModel, InsertUnderTabStopsFollowsTheModel) {
  std::vector<std::string> in;
  for (const TabTypeCase& c : kTabTyping)
    in.push_back(std::string("tabtype;") + c.pairs + ";" + std::to_string(c.column) + ";" + c.keys + ";" + c.line);
  const std::vector<std::string> expected = RunLtrModel(in);
  ASSERT_EQ(expected.size(), sizeof kTabTyping / sizeof kTabTyping[0]);
  for (size_t i = 0; i < expected.size(); ++i) {
    const TabTypeCase& c = kTabTyping[i];
    SCOPED_TRACE(c.name);
    const size_t space = expected[i].rfind(' ');
    const std::string line = expected[i].substr(0, space);
    const unsigned int column = static_cast<unsigned int>(std::stoi(expected[i].substr(space + 1)));
    TextStation s;
    LoadPairs(s, c.pairs, c.line);
    s.key(FunctionWord{3, 1});
    s.text()->moveCursor(s.offset(3, c.column), Plane0);
    for (char k : std::string(c.keys)) s.key(FunctionWord{10, EncodeText(std::string(1, k))[0]});
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    EXPECT_EQ(DecodeText(s.row(3)), line);
    EXPECT_EQ(s.text()->cursorPos, s.offset(3, column));
  }
}

struct OpeningCase {
  const char* name;
  unsigned int left, right;
  unsigned int column;  // where typing starts, on the row marked '>'
  const char* keys;
  const char* rows;  // from row 3, separated by '/'
  const char* ids;
  const char* changed;  // 'F' first text row changed, 'L' last text row changed
};

const OpeningCase kOpenings[] = {
    {"the last row unchanged: the rows below move down", 2, 20, 2, "X",
     "_AAAA/>_AAAA BBBB CCCC DDD /_EEEE EEEE EEEE EE|/_FF|", "1.0/2.0/3.0/4.0", ""},
    {"the last row changed: the rows above move up", 2, 20, 2, "X",
     "_AAAA/>_AAAA BBBB CCCC DDD /_EEEE EEEE EEEE EE|/_FF|", "1.0/2.0/3.0/4.0", "L"},
    {"moving up, the opened line between close ids renumbers their run", 2, 20, 2, "X",
     "_AAAA/>_AAAA BBBB CCCC DDD /_EEEE EEEE EEEE EE|/_FF|", "1.0/2.0/2.1/4.0", "L"},
    {"moving up from the third row", 2, 20, 6, "QQ",
     "_AAAA/_BBBB/>_CCCC DDDD EEEE FF /_EEEE EEEE EEEE EE|/_GG|", "1.0/2.0/3.0/4.0/5.0", "L"},
    {"both end rows changed: no line can open", 2, 20, 2, "X",
     "_AAAA/>_AAAA BBBB CCCC DDD /_EEEE EEEE EEEE EE|/_FF|", "1.0/2.0/3.0/4.0", "FL"},
    {"the first text row itself cannot move up", 2, 20, 2, "X", ">_AAAA BBBB CCCC DDD /_EEEE EEEE EEEE EE|/_FF|",
     "1.0/2.0/3.0", "L"},
    {"a word with a required carrier return never joins the next row", 2, 20, 2, "X",
     "_AAAA/>_AAAA BBBB CCCC DDD%/_EE|/_FF|", "1.0/2.0/3.0/4.0", ""},
    {"the same word while the last row is changed", 2, 20, 2, "X", "_AAAA/>_AAAA BBBB CCCC DDD%/_EE|/_FF|",
     "1.0/2.0/3.0/4.0", "L"},
    {"a word broken at the margin opens a line", 2, 20, 20, "Z",
     "_AAAA/>_AAAAAAAAAAAAAAAAAA/_EEEE EEEE EEEE EE|/_FF|", "1.0/2.0/3.0/4.0", "L"},
};

void LoadWithoutRead(TextStation& s, unsigned int left, unsigned int right, const std::vector<std::string>& rows,
                     const std::vector<std::string>& ids) {
  ASSERT_EQ(s.run(PageRecord(0x00, 0x80, ScaleLine(1, {{static_cast<int>(left), 1}, {static_cast<int>(right), 2}}),
                             ModelLines(rows, ids, EncodeText))),
            0u);
}

TEST(EditModel, SpillOpeningALineFollowsTheModel) {
  std::vector<std::string> in;
  for (const OpeningCase& c : kOpenings)
    in.push_back(std::string("opening;") + std::to_string(c.left) + ";" + std::to_string(c.right) + ";" +
                 std::to_string(c.column) + ";" + c.keys + ";" + c.rows + ";" + c.ids + ";" + c.changed);
  const std::vector<std::string> expected = RunLtrModel(in);
  ASSERT_EQ(expected.size(), sizeof kOpenings / sizeof kOpenings[0]);
  for (size_t i = 0; i < expected.size(); ++i) {
    const OpeningCase& c = kOpenings[i];
    SCOPED_TRACE(c.name);
    // "rows row column ids scrolled error", the rows holding blanks: read
    // the five fields from the right.
    std::string e = expected[i];
    std::vector<std::string> tail;
    for (int k = 0; k < 5; ++k) {
      const size_t sp = e.rfind(' ');
      tail.insert(tail.begin(), e.substr(sp + 1));
      e = e.substr(0, sp);
    }
    const unsigned int row = static_cast<unsigned int>(std::stoi(tail[0]));
    const unsigned int column = static_cast<unsigned int>(std::stoi(tail[1]));
    const unsigned int scrolled = static_cast<unsigned int>(std::stoi(tail[3]));
    const unsigned int error = static_cast<unsigned int>(std::stoi(tail[4]));
    const std::vector<std::string> parts = Split(e, '/');
    std::vector<std::string> rows = Split(c.rows, '/');
    unsigned int start = 0;
    for (unsigned int r = 0; r < rows.size(); ++r)
      if (!rows[r].empty() && rows[r][0] == '>') {
        start = r;
        rows[r] = rows[r].substr(1);
      }
    TextStation s;
    // No read: the host does not wait, so no cursor move reports the
    // changed rows (and renumbers them) before the spill is looked at.
    LoadWithoutRead(s, c.left, c.right, rows, Split(c.ids, '/'));
    TextSession& t = *s.text();
    const uint32_t firstLine = t.firstLineNumber;
    s.key(FunctionWord{3, 1});
    t.moveCursor(s.offset(3 + start, c.column), Plane0);
    // Marked after the cursor is placed: a move with both end rows changed
    // would report them to the host first.
    const std::string changed = c.changed;
    if (changed.find('F') != std::string::npos) t.lineTable[t.textDef.firstTextRow - 1].ctl |= line_ctl::kChanged;
    if (changed.find('L') != std::string::npos) t.lineTable[t.textDef.lastTextRow - 1].ctl |= line_ctl::kChanged;
    s.type(c.keys);
    EXPECT_EQ(t.errorFlag(), error != 0);
    if (error) EXPECT_EQ(t.lastOperatorError(), error);
    ASSERT_EQ(parts.size(), rows.size());
    for (unsigned int r = 0; r < parts.size(); ++r) EXPECT_EQ(DecodeText(s.row(3 + r)), parts[r]) << "row " << 3 + r;
    if (!error) EXPECT_EQ(t.cursorPos, s.offset(3 + row, column));
    EXPECT_EQ(t.firstLineNumber - firstLine, scrolled);
    const std::vector<std::string> want = Split(tail[2], '/');
    for (unsigned int r = 0; r < want.size(); ++r)
      EXPECT_EQ(std::to_string(t.lineTable[2 + r].lineId) + "." + std::to_string(t.lineTable[2 + r].newLine), want[r])
          << "id of row " << 3 + r;
  }
}

}  // namespace
