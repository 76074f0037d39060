// PF and command keys in text assist, through the host's command-key table
// (defined here on the host interface as a DFCDK would): a key without an
// entry sends its AID; a prompt entry takes the operator's input on the
// prompt row and Enter sends the key's AID; a locate entry arms the search
// that the next character runs; a delete entry marks its start and Enter
// hands the range to the host; the hyphen entry types the hyphen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datastream/TextHostTables.h"
#include "tests/textassist/TextStation.h"

namespace {

Bytes Define(const Bytes& entries) {
  const unsigned int n = static_cast<unsigned int>(entries.size()) + 5;
  return Bytes{static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n), 0xD9, 0x30, 0x04} + entries;
}
Bytes Entry(unsigned char key, unsigned char type, const std::string& text) {
  return Bytes{static_cast<unsigned char>(3 + text.size()), key, type} + Ebc(text);
}

struct Station : TextStation {
  Station() {
    EXPECT_EQ(run(R1()), 0u);
    uint32_t sense = 0;
    display.hostInterface()->textTables().dfcdk(
        Define(Entry(2, 1, "FIND") + Entry(3, 2, "LOCATE") + Entry(4, 5, "DELETE") +
               Entry(5, 6, ""))
            .data(),
        sense);
    EXPECT_EQ(sense, 0u);
  }
  void pf(unsigned char n) { key(FunctionWord{5, n}); }
};

TEST(CommandKeys, AKeyWithoutEntrySendsItsAid) {
  Station s;
  s.pf(1);
  ASSERT_EQ(s.host.sent.size(), 1u);
  EXPECT_EQ(s.host.sent[0][2], 0x31);
}

TEST(CommandKeys, APromptTakesInputOnThePromptRowAndEnterSendsTheKeysAid) {
  Station s;
  s.pf(2);
  EXPECT_TRUE(s.text()->stateWord() & text_mode::kPromptInput);
  EXPECT_EQ(s.screen(s.offset(24, 1), 4), Ebc("FIND"));
  EXPECT_EQ(s.text()->cursorPos, s.offset(24, 5));
  s.type("AB");
  EXPECT_EQ(s.screen(s.offset(24, 1), 6), Ebc("FINDAB"));
  EXPECT_EQ(s.text()->cursorPos, s.offset(24, 7));
  EXPECT_EQ(s.row(3), Bytes{0x00} + Ebc("HELLO WORLD") + Bytes{0x03} + Bytes(67, 0x00));
  s.enter();
  ASSERT_EQ(s.host.sent.size(), 1u);
  EXPECT_EQ(s.host.sent[0][2], 0x32);
  EXPECT_EQ(s.host.sent[0][0], 24);
  // Typing before the input area is refused.
  Station t;
  t.pf(2);
  t.text()->moveCursor(t.offset(24, 2), Plane0);
  t.type("A");
  EXPECT_EQ(t.text()->lastOperatorError(), 72u);
}

TEST(CommandKeys, ResetEndsThePromptAndTheCursorReturns) {
  Station s;
  s.key(FunctionWord{1, 3});
  s.pf(2);
  s.key(FunctionWord{4, 1});
  EXPECT_FALSE(s.text()->stateWord() & text_mode::kPromptInput);
  EXPECT_EQ(s.text()->cursorPos, s.offset(3, 3));
  EXPECT_EQ(s.row(24), Bytes(80, 0x00));
}

TEST(CommandKeys, LocateFindsTheNextCharacterTyped) {
  Station s;
  s.pf(3);
  EXPECT_TRUE(s.text()->stateWord() & text_mode::kLocate);
  s.type("W");
  EXPECT_EQ(s.text()->cursorPos, s.offset(3, 8));
  EXPECT_EQ(s.row(3), Bytes{0x00} + Ebc("HELLO WORLD") + Bytes{0x03} + Bytes(67, 0x00));
  // A character that is not on the page: error 75.
  s.type("Q");
  EXPECT_EQ(s.text()->lastOperatorError(), 75u);
}

TEST(CommandKeys, ADeleteIsMarkedAndEnterHandsItToTheHost) {
  Station s;
  s.key(FunctionWord{1, 3});
  s.pf(4);
  EXPECT_TRUE(s.text()->stateWord() & text_mode::kCopyMoveDel26);
  // The start is shown reversed: the attribute 0x23 before it.
  EXPECT_EQ(s.screen(s.offset(3, 2), 1), Bytes{0x23});
  // An end two rows further down is beyond what the station deletes itself.
  for (int i = 0; i < 2; ++i) s.key(FunctionWord{1, 7});
  s.enter();
  ASSERT_EQ(s.host.sent.size(), 1u);
  EXPECT_EQ(s.host.sent[0][2], 0x34);
  EXPECT_EQ(s.host.sent[0][0], 5);  // the cursor, the end of the range
  EXPECT_EQ(s.host.sent[0][1], 3);
  EXPECT_FALSE(s.text()->stateWord() & text_mode::kCopyMoveDel26);
  // The marked start is put back as it was.
  EXPECT_EQ(s.row(3), Bytes{0x00} + Ebc("HELLO WORLD") + Bytes{0x03} + Bytes(67, 0x00));
}

TEST(CommandKeys, TheHyphenEntryTypesTheHyphen) {
  Station s;
  s.pf(5);
  EXPECT_EQ(s.screen(s.offset(3, 2), 1), Bytes{0xCA});
  EXPECT_EQ(s.text()->cursorPos, s.offset(3, 3));
}

TEST(CommandKeys, DeleteWithoutEntryIsRefused) {
  Station s;
  s.key(FunctionWord{3, 2});
  EXPECT_EQ(s.text()->lastOperatorError(), 77u);
  EXPECT_TRUE(s.host.sent.empty());
}

}  // namespace
