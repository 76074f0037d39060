// The delete of a marked range, as an operator does it: the host's
// command-key table gives PF4 the delete function, the operator moves to
// the start, presses PF4, moves to the end and presses Enter. A range on
// one row, or running into the next row, without anything only the host
// may remove, is deleted here (no AID; the rows are marked changed and go
// to the host with the next record); anything else is sent to the host with
// PF4's AID and the page stays as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "display/ECBScreenBuffer.h"
#include "tests/textassist/TextRows.h"

namespace {

const FunctionWord kLeft{1, 2}, kRight{1, 3}, kUp{1, 6}, kDown{1, 7}, kEnter{6, 4}, kInsert{3, 1}, kPF4{5, 4};
constexpr unsigned char kDeleteAid = 0x34;

// A row in a readable alphabet: '_' null, '|' carrier return, '*' dup,
// '!' line stop, '%' word underscore, letters and blanks as they are.
const RowAlphabet kRows{{{'_', 0x00}, {'|', 0x03}, {'*', 0x1C}, {'!', 0x07}, {'%', 0x1D}, {'<', 0x0B},
                         {'>', 0x0D}}, false};
std::string Show(const Bytes& row) { return kRows.show(row); }

// The page: scale line 1 (left margin column 2, right margin column 70).
const char* const kPage[] = {
    "_HELLO WORLD|",    // row 3
    "_SECOND LINE|",    // row 4
    "_THIRD|",          // row 5
    "_AB*CD|",          // row 6: a dup only the host deletes
    "_ABCDEFGH  !|",    // row 7: a line stop
    "_PROMPTED|",       // row 8: a line prompt belongs to it
    "_AB%CD|",          // row 9: a word underscore
    "_AB<CD>EF|",       // row 10: a pushed segment's markers
};

Bytes Row(const std::string& shown) { return kRows.encode(shown); }

struct DeleteStation : TextStation {
  explicit DeleteStation(bool planes, bool deleteEntry = true) {
    Bytes lines;
    for (unsigned int r = 3; r <= 23; ++r) {
      TextLine l{r, r - 3 < sizeof kPage / sizeof kPage[0] ? Row(kPage[r - 3]) : Bytes{0x00}, r - 2};
      if (r == 8) l.spacing = 0x82;
      lines = lines + LineRecord(l, planes);  // two-byte lengths with attribute planes
    }
    EXPECT_EQ(run(Wsf(Dftxt(0x00, planes ? 0xC0 : 0x80) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}})) +
                      Wrtxt(0x80, 0x00, 0x08, 3, 2, lines) + Rdtxt())),
              0u);
    if (!deleteEntry) return;
    // The host's command-key table: PF4 deletes.
    EXPECT_EQ(run(Wsf(Field(0x31, Bytes{0x04, 9, 4, 5} + Ebc("DELETE")))), 0u);
  }
  void keys(const Keys& k) {
    for (FunctionWord w : k) key(w);
  }
  void mouse(unsigned char code, unsigned int offset) {
    FunctionWord w{27, code};
    display.inObjGen().processMouseEvent(&display, &w, offset);
  }
  // Marks [from, to] with a shifted left drag and cuts it with the menu.
  void markAndCut(unsigned int from, unsigned int to) {
    display.options().set(StationOptions::kCopyPaste, true);
    mouse(10, from);
    mouse(0, to);
    mouse(11, to);
    key(FunctionWord{3, 33});
  }
};

struct DeleteCase {
  const char* name;
  bool planes;
  Keys toStart;             // from row 3 column 2
  Keys toEnd;               // after PF4
  std::vector<std::pair<unsigned int, std::string>> rows;  // rows that change ("" for all others as before)
  unsigned int row, column;  // the cursor after Enter
  bool sent;                 // PF4's AID went to the host
};

const DeleteCase kCases[] = {
    {"one row", false, {kRight}, Repeat(kRight, 3), {{3, "_H WORLD|"}}, 3, 3, false},
    {"one row, the end before the start", false, Repeat(kRight, 4), Repeat(kLeft, 3), {{3, "_H WORLD|"}}, 3, 3,
     false},
    {"one character", false, Repeat(kRight, 6), {}, {{3, "_HELLO ORLD|"}}, 3, 8, false},
    {"from the left margin, part of the line", false, {}, Repeat(kRight, 5), {{3, "_WORLD|"}}, 3, 2, false},
    {"from the left margin to the line's end is the host's", false, {}, Repeat(kRight, 11), {}, 3, 13, true},
    {"two rows", false, Repeat(kRight, 6), Keys{kDown} + Repeat(kLeft, 4), {{3, "_HELLO "}, {4, "_OND LINE|"}}, 3,
     8, false},
    {"two rows, the end before the start", false, Keys{kDown, kRight, kRight}, Keys{kUp} + Repeat(kRight, 4),
     {{3, "_HELLO "}, {4, "_OND LINE|"}}, 3, 8, false},
    {"the end two rows below is the host's", false, {kRight}, {kDown, kDown}, {}, 5, 3, true},
    {"the start two rows above is the host's", false, Keys{kDown, kDown, kRight}, {kUp, kUp}, {}, 3, 3, true},
    {"a dup in the range is the host's", false, Keys{kDown, kDown, kDown, kRight}, Repeat(kRight, 3), {}, 6, 6,
     true},
    {"a line stop on the row is the host's", false, Keys{kDown, kDown, kDown, kDown, kRight}, {kRight}, {}, 7, 4,
     true},
    {"a line prompt on the row is the host's", false, Repeat(kDown, 5) + Keys{kRight}, {kRight}, {}, 8, 4, true},
    {"a word underscore on the row is the host's", false, Repeat(kDown, 6) + Keys{kRight}, {}, {}, 9, 3, true},
    {"a segment marker in the range is the host's", false, Repeat(kDown, 7) + Keys{kRight, kRight}, {kRight},
     {}, 10, 5, true},
    {"between the segment's markers", false, Repeat(kDown, 7) + Repeat(kRight, 4), {}, {{10, "_AB<C>EF|"}}, 10, 6,
     false},
    // The marked start holds two plane stops of the cursor: the marking and
    // the attribute after it.
    {"one row with attribute planes", true, {kRight}, Repeat(kRight, 4), {{3, "_H WORLD|"}}, 3, 3, false},
    {"two rows with attribute planes", true, Repeat(kRight, 6), Keys{kDown} + Repeat(kLeft, 4),
     {{3, "_HELLO "}, {4, "_OND LINE|"}}, 3, 8, false},
    {"the end two rows below with attribute planes", true, {kRight}, {kDown, kDown}, {}, 5, 3, true},
};

TEST(LocalDelete, MarkMoveAndEnter) {
  for (const DeleteCase& c : kCases) {
    SCOPED_TRACE(c.name);
    DeleteStation s(c.planes);
    std::vector<std::string> before;
    for (unsigned int r = 3; r <= 11; ++r) before.push_back(Show(s.row(r)));
    s.keys(c.toStart);
    const unsigned int start = s.text()->cursorPos;
    s.key(kPF4);
    ASSERT_TRUE(s.text()->stateWord() & text_mode::kCopyMoveDel26);
    EXPECT_EQ(Show(s.row(24)), "DELETE");
    s.keys(c.toEnd);
    ASSERT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    ASSERT_TRUE(s.host.sent.empty());
    s.key(kEnter);
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    EXPECT_FALSE(s.text()->stateWord() & (text_mode::kCopyMoveDel26 | text_mode::kLocate));
    for (unsigned int r = 3; r <= 11; ++r) {
      std::string want = before[r - 3];
      for (const auto& changed : c.rows)
        if (changed.first == r) want = changed.second;
      EXPECT_EQ(Show(s.row(r)), want) << "row " << r;
    }
    EXPECT_EQ(s.text()->cursorPos, s.offset(c.row, c.column));
    EXPECT_EQ(Show(s.row(24)), "") << "the prompt row is given back";
    if (c.sent) {
      ASSERT_EQ(s.host.sent.size(), 1u);
      EXPECT_EQ(s.host.sent[0][2], kDeleteAid);
      EXPECT_EQ(s.host.sent[0][0], c.row);
      EXPECT_EQ(s.host.sent[0][1], c.column);
      continue;
    }
    EXPECT_TRUE(s.host.sent.empty());
    (void)start;
    for (const auto& changed : c.rows)
      EXPECT_TRUE(s.text()->lineTable[changed.first - 1].ctl & line_ctl::kChanged) << changed.first;
    // The next Enter is an ordinary one and carries the edited rows.
    s.key(kEnter);
    ASSERT_EQ(s.host.sent.size(), 1u);
    EXPECT_EQ(s.host.sent[0][2], 0xF1);
    const Bytes& record = s.host.sent[0];
    for (const auto& changed : c.rows) {
      std::string text = changed.second.substr(1);
      while (!text.empty() && text.back() == '|') text.pop_back();
      const Bytes want = Row(text);
      EXPECT_NE(std::search(record.begin(), record.end(), want.begin(), want.end()), record.end())
          << "row " << changed.first << " in the record";
    }
  }
}

// Attribute planes: the primary attributes after the range close up with
// the text, and the reversed marking of the start leaves nothing behind.
TEST(LocalDelete, AttributePlanesCloseUpWithTheText) {
  DeleteStation s(true);
  PrimaryECBScreenBuffer* primary = s.text()->primaryBuffer;
  ASSERT_NE(primary, nullptr);
  primary->writeCharacter(s.offset(3, 9), 0x81);
  s.key(kRight);
  s.key(kPF4);
  EXPECT_EQ(primary->getCharacter(s.offset(3, 3)), 0x83) << "the start is marked";
  s.keys(Repeat(kRight, 4));
  EXPECT_EQ(s.text()->cursorPos, s.offset(3, 6));
  s.key(kEnter);
  EXPECT_TRUE(s.host.sent.empty());
  EXPECT_EQ(Show(s.row(3)), "_H WORLD|");
  EXPECT_EQ(primary->getCharacter(s.offset(3, 5)), 0x81);
  EXPECT_EQ(primary->getCharacter(s.offset(3, 9)), 0x00);
  EXPECT_EQ(primary->getCharacter(s.offset(3, 3)), 0x00);
  EXPECT_EQ(primary->getCharacter(s.offset(3, 4)), 0x00);
}

// A protected secondary attribute or a word underscore of the secondary
// plane in the range sends the delete to the host.
TEST(LocalDelete, ProtectedSecondaryAttributesAreTheHosts) {
  const unsigned char marks[] = {0x88, 0x84};
  for (unsigned char mark : marks) {
    SCOPED_TRACE(static_cast<int>(mark));
    DeleteStation s(true);
    s.text()->secondaryBuffer->writeCharacter(s.offset(3, 4), mark);
    s.key(kRight);
    s.key(kPF4);
    s.keys(Repeat(kRight, 3));
    s.key(kEnter);
    ASSERT_EQ(s.host.sent.size(), 1u);
    EXPECT_EQ(s.host.sent[0][2], kDeleteAid);
    EXPECT_EQ(Show(s.row(3)), "_HELLO WORLD|");
  }
}

// In insert mode the text after the start is re-aligned and the cursor
// stays at the start.
TEST(LocalDelete, InsertModeKeepsTheCursorAtTheStart) {
  DeleteStation s(false);
  s.key(kInsert);
  s.key(kRight);
  s.key(kPF4);
  s.keys(Repeat(kRight, 3));
  s.key(kEnter);
  EXPECT_TRUE(s.host.sent.empty());
  EXPECT_EQ(Show(s.row(3)), "_H WORLD|");
  EXPECT_EQ(s.text()->cursorPos, s.offset(3, 3));
}

// The checks one by one: non-deletable characters, and the ranges that a
// cut may take.
TEST(LocalDelete, CharactersOnlyTheHostDeletes) {
  DeleteStation s(false);
  TextSession* t = s.text();
  const unsigned char refused[] = {0x07, 0x0B, 0x0D, 0x17, 0x18, 0x19, 0x1A, 0x1C};
  for (unsigned char c : refused) EXPECT_TRUE(t->nonDelChar(c)) << static_cast<int>(c);
  const unsigned char allowed[] = {0x00, 0x03, 0x05, 0x06, 0x1D, 0x1E, 0x20, 0x40, 0xC1};
  for (unsigned char c : allowed) EXPECT_FALSE(t->nonDelChar(c)) << static_cast<int>(c);
  EXPECT_FALSE(t->checkNonDel(3, 2, 13));
  EXPECT_TRUE(t->checkNonDel(6, 2, 6));
  EXPECT_FALSE(t->checkNonDel(6, 5, 6));
  EXPECT_TRUE(t->checkNonDel(7, 2, 3)) << "a line stop anywhere on the row";
  EXPECT_TRUE(t->checkNonDel(3, 0, 5)) << "a column outside the row";
  // Rows and columns outside the page are refused, nothing changes.
  const unsigned int bad[][4] = {{0, 2, 0, 5}, {3, 0, 3, 5}, {3, 2, 3, 81}, {5, 2, 4, 2}, {27, 2, 28, 2}, {3, 2, 60, 2}};
  for (const auto& b : bad) {
    EXPECT_FALSE(t->delCheck(b[0], b[1], b[2], b[3]));
    t->performDelete(b[0], b[1], b[2], b[3], Plane0, Plane0);
  }
  EXPECT_EQ(Show(s.row(3)), "_HELLO WORLD|");
  EXPECT_EQ(Show(s.row(4)), "_SECOND LINE|");
}

TEST(LocalDelete, CutRanges) {
  DeleteStation s(false);
  TextSession* t = s.text();
  struct Cut {
    unsigned int row, column, length;
    int ok;
  } cuts[] = {
      {3, 2, 10, 1},   // inside one text line
      {3, 2, 240, 1},  // three text lines
      {1, 2, 10, 0},   // the status row
      {2, 2, 100, 0},  // from the scale row into the text
      {23, 2, 200, 0}, // past the last text line onto the prompt row
      {3, 2, 0, 0},    // nothing
  };
  for (const Cut& c : cuts) EXPECT_EQ(t->WPCutOK(s.offset(c.row, c.column), c.length), c.ok) << c.row << " " << c.length;
  EXPECT_EQ(t->WPCutOK(100000, 5), 0);
  EXPECT_EQ(t->WPCutOK(s.offset(24, 1), 100000), 0);
}

// The edit menu's Cut of a range marked in the text deletes it as the
// delete function does: here when the station may, else by the host's
// delete function; without one, a range the station may not delete is
// refused. The copy is made either way.
TEST(LocalDelete, MenuCut) {
  struct Case {
    const char* name;
    bool deleteEntry;
    unsigned int fromRow, fromColumn, toRow, toColumn;
    std::string row3;
    unsigned int row, column;  // the cursor after
    unsigned char aid;         // sent, 0 for none
    unsigned int error;
  } cases[] = {
      {"within a line", true, 3, 3, 3, 6, "_H WORLD|", 3, 3, 0, 0},
      {"from left of the margin", true, 3, 1, 3, 6, "_ WORLD|", 3, 2, 0, 0},
      {"into the next line", true, 3, 8, 4, 4, "_HELLO ", 3, 8, 0, 0},
      {"three lines with the host's delete function", true, 3, 3, 5, 3, "_HELLO WORLD|", 5, 3, kDeleteAid, 0},
      {"three lines without it", false, 3, 3, 5, 3, "_HELLO WORLD|", 3, 2, 0, 72},
      {"the status row is not cut", true, 1, 3, 1, 9, "_HELLO WORLD|", 3, 2, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteStation s(false, c.deleteEntry);
    // What the prompt row shows stays.
    const Bytes note = Ebc("NOTE");
    s.display.presentationSpace().writeData(note.data(), 4, s.offset(24, 1));
    s.markAndCut(s.offset(c.fromRow, c.fromColumn), s.offset(c.toRow, c.toColumn));
    if (!c.error) EXPECT_EQ(Show(s.row(24)), "NOTE");  // an error shows on that row
    EXPECT_EQ(s.keyboard().state(), KeyboardState::kWordProcessing);
    EXPECT_EQ(Show(s.row(3)), c.row3);
    EXPECT_EQ(s.text()->cursorPos, s.offset(c.row, c.column));
    EXPECT_EQ(s.text()->lastOperatorError(), c.error);
    EXPECT_FALSE(s.text()->stateWord() & (text_mode::kCopyMoveDel26 | text_mode::kLocate));
    if (c.aid) {
      ASSERT_EQ(s.host.sent.size(), 1u);
      EXPECT_EQ(s.host.sent[0][2], c.aid);
    } else {
      EXPECT_TRUE(s.host.sent.empty());
    }
    const bool copied = std::any_of(s.rendering.calls.begin(), s.rendering.calls.end(),
                                    [](const std::string& call) { return call == "copyArea()"; });
    EXPECT_TRUE(copied);
  }
}

// Half-index markers of the secondary plane (0x81 opens a shift, 0x82
// closes it): the first marker of the deleted range is kept at the join unless it
// repeats the open shift, and the shift still open at the right margin is
// written after it (column 71).
TEST(LocalDelete, HalfIndexShiftsFollowTheDelete) {
  struct Case {
    const char* name;
    unsigned int from, to;  // columns of row 3
    std::vector<std::pair<unsigned int, unsigned char>> after;
    unsigned char terminator;
  } cases[] = {
      {"before the shift", 2, 2, {{3, 0x81}, {8, 0x82}}, 0x00},
      {"inside the shift", 5, 6, {{4, 0x81}, {7, 0x82}}, 0x00},
      {"the closing marker", 7, 10, {{4, 0x81}}, 0x82},
      {"the opening marker is kept at the join", 4, 5, {{4, 0x81}, {7, 0x82}}, 0x00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteStation s(true);
    SecondaryECBScreenBuffer* secondary = s.text()->secondaryBuffer;
    secondary->writeCharacter(s.offset(3, 4), 0x81);
    secondary->writeCharacter(s.offset(3, 9), 0x82);
    s.text()->performDelete(3, c.from, 3, c.to, Plane0, Plane0);
    for (unsigned int column = 2; column <= 70; ++column) {
      unsigned char want = 0;
      for (const auto& a : c.after)
        if (a.first == column) want = a.second;
      EXPECT_EQ(secondary->getCharacter(s.offset(3, column)), want) << column;
    }
    EXPECT_EQ(secondary->getCharacter(s.offset(3, 71)), c.terminator);
    EXPECT_EQ(s.text()->cursorPos, s.offset(3, c.from));
  }
}

// Reset while a delete is pending ends it: the marked start and the prompt
// row show what they did before, nothing goes to the host, and Enter is an
// ordinary Enter again.
TEST(LocalDelete, ResetEndsAPendingDelete) {
  for (bool planes : {false, true}) {
    SCOPED_TRACE(planes);
    DeleteStation s(planes);
    s.keys(Repeat(kRight, 3));
    s.key(kPF4);
    if (planes)
      ASSERT_EQ(s.text()->primaryBuffer->getCharacter(s.offset(3, 5)), 0x83);
    else
      ASSERT_NE(Show(s.row(3)), "_HELLO WORLD|");
    s.key(FunctionWord{4, 1});
    EXPECT_EQ(Show(s.row(3)), "_HELLO WORLD|");
    EXPECT_EQ(Show(s.row(24)), "");
    EXPECT_FALSE(s.text()->stateWord() & (text_mode::kCopyMoveDel26 | text_mode::kLocate));
    if (planes) {
      EXPECT_EQ(s.text()->primaryBuffer->getCharacter(s.offset(3, 5)), 0x00);
      EXPECT_EQ(s.text()->primaryBuffer->getCharacter(s.offset(3, 6)), 0x00);
    }
    EXPECT_TRUE(s.host.sent.empty());
    s.key(kEnter);
    ASSERT_EQ(s.host.sent.size(), 1u);
    EXPECT_EQ(s.host.sent[0][2], 0xF1);
  }
}

// On a right-to-left line under a bidirectional host editor the text after
// the range in reading order lies to its left: the station deletes a range
// within one row by moving that text right onto it, the line's start
// staying at its margin. Row 3 reads "ABCDE" from column 79 leftwards, row 4
// "FGHIJ"; what reaches another row, or empties the line from its start, is
// the host's.
TEST(LocalDelete, RightToLeftLines) {
  struct Case {
    const char* name;
    unsigned int start, row;  // the marked start on row 3, the end's row
    Keys toEnd;
    const char* row3;         // read from column 79 leftwards
    unsigned int column;      // the cursor after Enter, on row 3
    bool sent;
  };
  const Case cases[] = {
      {"inside the line", 78, 3, Repeat(kLeft, 2), "AE", 78, false},
      {"the end before the start", 76, 3, Repeat(kRight, 2), "AE", 78, false},
      {"from the line's start, part of it", 79, 3, Repeat(kLeft, 2), "DE", 79, false},
      {"one character", 77, 3, {}, "ABDE", 77, false},
      {"from the line's start to its end is the host's", 79, 3, Repeat(kLeft, 4), "ABCDE", 75, true},
      {"a range that joins two rows is the host's", 77, 4, {kDown}, "ABCDE", 77, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(Wsf(Dftxt(0x01, 0x80) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}})) +
                        Field(0x31, Bytes{0x04, 9, 4, 5} + Ebc("DELETE")) +
                        Wrtxt(0x80, 0x00, 0x08, 3, 2,
                              LineRecord({3, Bytes{0x00} + Ebc("ABCDE"), 1, 0x80, 2, 0x80}) +
                                  LineRecord({4, Bytes{0x00} + Ebc("FGHIJ"), 2, 0x80, 2, 0x80})) +
                        Rdtxt())),
              0u);
    const Bytes row4 = s.row(4);
    s.text()->moveCursor(s.offset(3, c.start), Plane0);
    s.key(kPF4);
    ASSERT_TRUE(s.text()->stateWord() & text_mode::kCopyMoveDel26) << s.text()->lastOperatorError();
    for (FunctionWord w : c.toEnd) s.key(w);
    ASSERT_EQ(s.text()->cursorPos / 80 + 1, c.row);
    s.key(kEnter);
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    EXPECT_FALSE(s.text()->stateWord() & text_mode::kCopyMoveDel26);
    std::string shown;
    for (unsigned int col = 79; col >= 2; --col) {
      const unsigned char b = s.screen(s.offset(3, col), 1)[0];
      if (b) shown.push_back(static_cast<char>('A' + (b - 0xC1)));
    }
    EXPECT_EQ(shown, c.row3);
    EXPECT_NE(s.screen(s.offset(3, 79), 1), Bytes{0x00}) << "the line still starts at its margin";
    EXPECT_EQ(s.screen(s.offset(3, 79 - static_cast<unsigned int>(std::string(c.row3).size())), 1), Bytes{0x00})
        << "the text keeps to the line's start, the end is null";
    EXPECT_EQ(s.row(4), row4);
    if (c.sent) {
      ASSERT_EQ(s.host.sent.size(), 1u);
      EXPECT_EQ(s.host.sent[0][2], kDeleteAid);
    } else {
      EXPECT_TRUE(s.host.sent.empty());
      EXPECT_EQ(s.text()->cursorPos, s.offset(3, c.column));
      EXPECT_TRUE(s.text()->lineTable[2].ctl & line_ctl::kChanged);
    }
  }
}

}  // namespace
