// Paste into the fields of a station: the edit menu's Paste and the
// shifted right button, copied data from the device, characters typed as
// data keys; what must not reach a field is blanked; the station's
// paste-at-pointer setting decides where a click's paste goes; a locked
// keyboard or a descriptor that claims more than its data pastes nothing
// beyond what is there, and the device's buffer always goes back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/CopiedDataInformation.h"
#include "tests/keyboard/EditStation.h"

namespace {

constexpr unsigned char kMouseWord = 27, kShiftedRightPress = 13, kMenuWord = 3, kMenuPaste = 31;

std::vector<unsigned char> Bytes(const std::string& text) {
  const std::string e = Ebcdic(text);
  return std::vector<unsigned char>(e.begin(), e.end());
}

// Pasted characters are categorised as the keyboard would type them:
// letters as alphabetic keys, digits as the top-row digits.
struct CategorisingHost : CountingHost {
  unsigned char codePageCategory(unsigned char code) override {
    if ((code >= 0xC1 && code <= 0xC9) || (code >= 0xD1 && code <= 0xD9) || (code >= 0xE2 && code <= 0xE9)) return 10;
    if (code >= 0xF0 && code <= 0xF9) return 13;
    return 11;
  }
};

struct PasteStation : EditStation {
  PasteStation() { tax().setHost(&categories); }
  CategorisingHost categories;
  CopiedDataInformation copy;
  // A linear copy of `data`.
  void copyLinear(const std::vector<unsigned char>& data) {
    copy = CopiedDataInformation();
    copy.flags = CopiedDataInformation::kDataPresent;
    copy.startCell = 0;
    copy.endCell = static_cast<unsigned int>(data.size()) - 1;
    copy.word3 = 80;
    rendering.copied = &copy;
    rendering.copiedData = data;
  }
  void menuPaste() {
    FunctionWord w{kMenuWord, kMenuPaste};
    display.inObjGen().processKeystrokeEvent(&display, &w);
  }
  void shiftedRightClick(unsigned int offset) {
    FunctionWord w{kMouseWord, kShiftedRightPress};
    display.inObjGen().processMouseEvent(&display, &w, offset);
  }
};

TEST(PasteTest, MenuPasteTypesAtTheCursorAndBlanksWhatMustNotReachAField) {
  struct Case {
    const char* what;
    std::vector<unsigned char> data;
    const char* field;  // the alphanumeric field afterwards
  } cases[] = {
      {"plain text", Bytes("HELLO"), "HELLO___"},
      // An attribute becomes a blank; what follows a non-display attribute
      // (low bits 111) is blanked until the next attribute.
      {"attributes and hidden data", {0xC1, 0xC2, 0x27, 0xC3, 0xC4, 0x20, 0xC5, 0xC6}, "AB    EF"},
      // Control codes become blanks; Dup stays a Dup.
      {"control codes", {0xC1, 0x05, 0x1C, 0xC2}, "A *B____"},
      // No double-byte data on this station: shift-out and shift-in are blanks.
      {"shift codes", {0xC1, 0x0E, 0xC2, 0x0F}, "A B ____"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PasteStation st;
    st.place(EditStation::kAlnum);
    st.copyLinear(c.data);
    st.menuPaste();
    EXPECT_EQ(st.bytes(82, 89), Ebcdic(c.field));
    EXPECT_EQ(st.error(), 0u);
    EXPECT_EQ(st.rendering.outstandingBuffers(), 0u) << "the copy's buffer goes back to the device";
  }
}

TEST(PasteTest, TheClicksPasteGoesToThePointerOnlyWhenTheStationSaysSo) {
  for (bool atPointer : {false, true}) {
    SCOPED_TRACE(atPointer ? "paste at the pointer" : "paste at the cursor");
    PasteStation st;
    st.display.options().pasteAtPointer = atPointer;
    st.place(EditStation::kAlnum);
    st.copyLinear(Bytes("XYZ"));
    st.shiftedRightClick(EditStation::kAlpha + 1);
    EXPECT_EQ(st.bytes(82, 84), Ebcdic(atPointer ? "___" : "XYZ"));
    EXPECT_EQ(st.bytes(100, 104), Ebcdic(atPointer ? "_XYZ_" : "_____"));
    // The edit menu's Paste always goes to the cursor.
    st.place(EditStation::kMandEntry);
    st.copyLinear(Bytes("QR"));
    st.menuPaste();
    EXPECT_EQ(st.bytes(260, 261), Ebcdic("QR"));
  }
}

TEST(PasteTest, BlockPasteGoesRowByRowIntoTheFieldsBelow) {
  PasteStation st;
  st.place(EditStation::kAlnum);
  // Two rows of three columns, copied from columns 5-7 of rows 0 and 1 of
  // an 80-column screen; the data holds the rows 80 bytes apart.
  std::vector<unsigned char> data(83, 0x40);
  const std::vector<unsigned char> first = Bytes("123"), second = Bytes("456");
  std::copy(first.begin(), first.end(), data.begin());
  std::copy(second.begin(), second.end(), data.begin() + 80);
  st.copy = CopiedDataInformation();
  st.copy.flags = CopiedDataInformation::kDataPresent | CopiedDataInformation::kBlock;
  st.copy.startCell = 5;
  st.copy.endCell = 80 + 7;
  st.copy.word3 = 80;
  st.rendering.copied = &st.copy;
  st.rendering.copiedData = data;
  st.menuPaste();
  EXPECT_EQ(st.bytes(82, 84), Ebcdic("123"));
  EXPECT_EQ(st.bytes(162, 164), Ebcdic("456")) << "the numeric field one row below";
  EXPECT_EQ(st.error(), 0u);
}

// A Thai session copies a block's rows without their trailing cells and
// ends each with 0x25: the paste starts a new row at each separator. Other
// sessions take the byte for a control code (a blank) in one long row.
TEST(PasteTest, ThaiBlockRowsEndAtTheirSeparators) {
  for (bool thai : {true, false}) {
    SCOPED_TRACE(thai ? "Thai session" : "other session");
    PasteStation st;
    st.display.options().thaiMode = thai;
    st.place(EditStation::kAlnum);
    // Three rows of six columns (18 cells) in 8 bytes.
    const std::vector<unsigned char> data = {0xF1, 0xF2, 0x25, 0xF3, 0xF4, 0x25, 0xF5, 0xF6};
    st.copy = CopiedDataInformation();
    st.copy.flags = CopiedDataInformation::kDataPresent | CopiedDataInformation::kBlock;
    st.copy.startCell = 5;
    st.copy.endCell = 2 * 80 + 10;
    st.copy.word3 = 80;
    st.rendering.copied = &st.copy;
    st.rendering.copiedData = data;
    st.menuPaste();
    EXPECT_EQ(st.error(), 0u);
    if (thai) {
      EXPECT_EQ(st.bytes(82, 89), Ebcdic("12______"));
      EXPECT_EQ(st.bytes(162, 166), Ebcdic("34___")) << "one row below";
      EXPECT_EQ(st.bytes(242, 245), Ebcdic("56__")) << "two rows below";
    } else {
      EXPECT_EQ(st.bytes(82, 89), Ebcdic("12 34 __")) << "the first six bytes as one row";
      EXPECT_EQ(st.bytes(162, 166), Ebcdic("_____"));
    }
  }
}

TEST(PasteTest, NothingOrOnlyWhatIsThereIsPasted) {
  {
    SCOPED_TRACE("locked keyboard");
    PasteStation st;
    st.place(EditStation::kAlnum);
    st.copyLinear(Bytes("ABC"));
    st.lock();
    st.menuPaste();
    EXPECT_EQ(st.bytes(82, 84), Ebcdic("___"));
  }
  {
    SCOPED_TRACE("no copy");
    PasteStation st;
    st.place(EditStation::kAlnum);
    st.menuPaste();
    EXPECT_EQ(st.bytes(82, 84), Ebcdic("___"));
  }
  {
    SCOPED_TRACE("a buffer without the data-present bit");
    PasteStation st;
    st.place(EditStation::kAlnum);
    st.copyLinear(Bytes("AB"));
    st.copy.flags = 0;
    st.menuPaste();
    EXPECT_EQ(st.bytes(82, 84), Ebcdic("___"));
    EXPECT_EQ(st.rendering.outstandingBuffers(), 0u);
  }
  {
    SCOPED_TRACE("a block that claims 30 rows with the data of one");
    PasteStation st;
    st.place(EditStation::kAlnum);
    st.copy = CopiedDataInformation();
    st.copy.flags = CopiedDataInformation::kDataPresent | CopiedDataInformation::kBlock;
    st.copy.startCell = 0;
    st.copy.endCell = 29 * 80 + 79;
    st.copy.word3 = 80;
    st.rendering.copied = &st.copy;
    st.rendering.copiedData = Bytes("AB");
    st.menuPaste();
    EXPECT_EQ(st.bytes(82, 84), Ebcdic("AB_"));
    EXPECT_EQ(st.rendering.outstandingBuffers(), 0u);
  }
  {
    SCOPED_TRACE("a letter into a numeric field stops the paste with the field's error");
    PasteStation st;
    st.place(EditStation::kNumeric);
    st.copyLinear(Bytes("1A2"));
    st.menuPaste();
    EXPECT_EQ(st.bytes(162, 164), Ebcdic("1__"));
    EXPECT_NE(st.error(), 0u);
  }
}

}  // namespace
