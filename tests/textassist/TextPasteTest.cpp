// Paste into a text-assist page through the edit menu's Paste and the
// shifted right button: the characters are typed into the text as data
// keys (replace or insert mode as set), line ends become requested carrier
// returns, what must not reach the text is blanked, a character the text
// refuses stops the paste with its operator error, and the device's buffer
// always goes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "display/CopiedDataInformation.h"
#include "tests/textassist/TextRows.h"

namespace {

const FunctionWord kInsert{3, 1}, kRight{1, 3}, kEnter{6, 4};
constexpr unsigned char kMenuPaste = 31, kShiftedRightPress = 13;

// '_' null, '|' carrier return, '^' required carrier return, '*' dup.
const RowAlphabet kRows{{{'_', 0x00}, {'|', 0x03}, {'^', 0x06}, {'*', 0x1C}, {'@', 0x20}}, false};
std::string Show(const Bytes& row) { return kRows.show(row); }

struct PasteStation : TextStation {
  PasteStation() { EXPECT_EQ(run(R1()), 0u); }
  CopiedDataInformation copy;
  void copyLinear(const Bytes& data, bool fromText = false) {
    copy = CopiedDataInformation();
    copy.flags = CopiedDataInformation::kDataPresent;
    copy.startCell = 0;
    copy.endCell = static_cast<unsigned int>(data.size()) - 1;
    copy.word3 = 80;
    copy.textAssist = fromText ? 1 : 0;
    rendering.copied = &copy;
    rendering.copiedData = data;
  }
  void menuPaste() { key(FunctionWord{3, kMenuPaste}); }
  void shiftedRightClick(unsigned int offset) {
    FunctionWord w{27, kShiftedRightPress};
    display.inObjGen().processMouseEvent(&display, &w, offset);
  }
};

TEST(TextPaste, MenuPasteTypesIntoTheText) {
  const Bytes NL{0x25};
  struct Case {
    const char* name;
    bool insert;
    bool fromText;
    Bytes data;
    std::string row3, row4;
    unsigned int row, column;  // the cursor after
    unsigned int error;
  } cases[] = {
      {"replace", false, false, Ebc("ABC"), "_ABCLO WORLD|", "", 3, 5, 0},
      {"insert", true, false, Ebc("ABC"), "_ABCHELLO WORLD|", "", 3, 5, 0},
      {"a line end is a requested carrier return", true, false, Ebc("AB") + NL + Ebc("CD"), "_AB^",
       "@CDHELLO WORLD|", 4, 4, 0},
      {"the other program's new-line code too", true, false, Ebc("AB") + Bytes{0x15} + Ebc("CD"), "_AB^",
       "@CDHELLO WORLD|", 4, 4, 0},
      {"attributes and hidden data are blanks", false, false, Bytes{0xC1, 0x27, 0xC2, 0x20, 0xC3},
       "_A   C WORLD|", "", 3, 7, 0},
      {"control codes and nulls are blanks", false, false, Bytes{0xC1, 0x05, 0x00, 0x1C, 0xC2}, "_A   B WORLD|", "", 3,
       7, 0},
      {"text data keeps its required carrier return", true, true, Ebc("AB") + Bytes{0x06} + Ebc("CD"), "_AB^",
       "@CDHELLO WORLD|", 4, 4, 0},
      {"a dup of text data is refused", false, true, Ebc("AB") + Bytes{0x1C} + Ebc("CD"), "_ABLLO WORLD|", "", 3,
       4, 72},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PasteStation s;
    if (c.insert) s.key(kInsert);
    s.copyLinear(c.data, c.fromText);
    s.menuPaste();
    EXPECT_EQ(Show(s.row(3)), c.row3);
    EXPECT_EQ(Show(s.row(4)), c.row4);
    EXPECT_EQ(s.text()->cursorPos, s.offset(c.row, c.column));
    EXPECT_EQ(s.text()->errorFlag(), c.error != 0);
    if (c.error) EXPECT_EQ(s.text()->lastOperatorError(), c.error);
    EXPECT_TRUE(s.host.sent.empty());
    EXPECT_EQ(s.rendering.outstandingBuffers(), 0u) << "the copy's buffer goes back to the device";
  }
}

// A character the text refuses (replace mode over a dup) stops the paste
// with the text's operator error: what came before it stays, nothing after
// it is typed.
TEST(TextPaste, ARefusedCharacterStopsThePasteWithItsError) {
  PasteStation s;
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 3, 2,
                           LineRecord({3, Bytes{0x00} + Ebc("AB") + Bytes{0x1C} + Ebc("CD") + Bytes{0x03}, 1})) +
                      Rdtxt())),
            0u);
  s.copyLinear(Ebc("XYZW"));
  s.menuPaste();
  EXPECT_EQ(Show(s.row(3)), "_XY*CD|");
  EXPECT_TRUE(s.text()->errorFlag());
  EXPECT_EQ(s.text()->lastOperatorError(), 73u);
  EXPECT_EQ(s.text()->cursorPos, s.offset(3, 4));
  EXPECT_EQ(s.rendering.outstandingBuffers(), 0u);
  // While the error shows, a paste does nothing.
  s.copyLinear(Ebc("Q"));
  s.menuPaste();
  EXPECT_EQ(Show(s.row(3)), "_XY*CD|");
}

// The shifted right button pastes at the pointer when the station is set
// to: inside the margins of a text line the cursor goes there first;
// elsewhere nothing is pasted. Otherwise it pastes at the cursor.
TEST(TextPaste, ShiftedRightButton) {
  struct Case {
    const char* name;
    bool atPointer;
    unsigned int row, column;
    std::string row3, row5;
  } cases[] = {
      {"at the pointer", true, 3, 8, "_HELLO AB LD|", ""},
      {"at the pointer on an empty row", true, 5, 2, "_HELLO WORLD|", "_AB "},
      {"at the pointer outside the margins", true, 3, 75, "_HELLO WORLD|", ""},
      {"at the pointer on the status row", true, 1, 10, "_HELLO WORLD|", ""},
      {"at the cursor", false, 5, 2, "_AB LO WORLD|", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PasteStation s;
    s.display.options().pasteAtPointer = c.atPointer;
    s.copyLinear(Ebc("AB "));
    s.shiftedRightClick(s.offset(c.row, c.column));
    EXPECT_EQ(Show(s.row(3)), c.row3);
    EXPECT_EQ(Show(s.row(5)), c.row5);
    EXPECT_FALSE(s.text()->errorFlag()) << s.text()->lastOperatorError();
    EXPECT_EQ(s.rendering.outstandingBuffers(), 0u);
  }
}

// What was pasted goes to the host with the next Enter like typed text.
TEST(TextPaste, PastedTextGoesToTheHostWithEnter) {
  PasteStation s;
  s.key(kRight);
  s.copyLinear(Ebc("IPPO"));
  s.menuPaste();
  s.key(kEnter);
  ASSERT_EQ(s.host.sent.size(), 1u);
  const Bytes& record = s.host.sent[0];
  const Bytes want = Ebc("HIPPO WORLD");
  EXPECT_NE(std::search(record.begin(), record.end(), want.begin(), want.end()), record.end());
}

// A block (two copied rows of three columns) starts on a line of its own
// and each copied row ends with a required carrier return; on the last text
// line there is no room for it.
TEST(TextPaste, ABlockGoesOnLinesOfItsOwn) {
  struct Case {
    const char* name;
    unsigned int row, column;  // the cursor before
    std::vector<std::string> rows;  // rows 3, 4, 5 after
    unsigned int error;
  } cases[] = {
      {"inside a line", 3, 3, {"_H^", "@ABC^", "@DEFELLO WORLD|"}, 0},
      {"on the last text line", 23, 2, {"_HELLO WORLD|", "", ""}, 72},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PasteStation s;
    s.key(kInsert);
    s.text()->moveCursor(s.offset(c.row, c.column), Plane0);
    s.copy = CopiedDataInformation();
    s.copy.flags = CopiedDataInformation::kDataPresent | CopiedDataInformation::kBlock;
    s.copy.startCell = 0;
    s.copy.endCell = 80 + 2;
    s.copy.word3 = 80;
    s.rendering.copied = &s.copy;
    s.rendering.copiedData = Ebc("ABC") + Bytes(77, 0x40) + Ebc("DEF");
    s.menuPaste();
    for (unsigned int r = 3; r <= 5; ++r) EXPECT_EQ(Show(s.row(r)), c.rows[r - 3]) << r;
    EXPECT_EQ(s.text()->lastOperatorError(), c.error);
    EXPECT_TRUE(s.host.sent.empty());
    EXPECT_EQ(s.rendering.outstandingBuffers(), 0u);
  }
}

// A paste that the text stops by handing a line end to the host (the line's
// scale line has no left margin, so the host makes the carrier return and
// the keyboard locks until it answers) shows operator error 70: the rest of
// the paste is not typed, and the operator is told so.
TEST(TextPaste, APasteCutShortByTheHostShowsError70) {
  PasteStation s;
  ASSERT_EQ(s.run(Wsf(Dfscl(ScaleLine(1, {{2, 1}, {70, 2}}) + ScaleLine(2, {{70, 2}})) +
                      Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, Bytes{0x00} + Ebc("HELLO"), 1, 0x80, 2, 0, 2})) +
                      Rdtxt())),
            0u);
  s.copyLinear(Ebc("AB") + Bytes{0x25} + Ebc("CD"));
  s.menuPaste();
  ASSERT_EQ(s.host.sent.size(), 1u);
  EXPECT_EQ(s.host.sent[0][2], 0xEF);  // the required carrier return
  EXPECT_EQ(Show(s.row(3)), "_ABLLO");
  EXPECT_TRUE(s.text()->errorFlag());
  EXPECT_EQ(s.text()->lastOperatorError(), 70u);
  EXPECT_EQ(s.rendering.outstandingBuffers(), 0u);
}

}  // namespace
