// Key scripts on a screen of mixed input fields: what each leaves in the
// field, where the cursor stands, which operator error shows and which AID
// went to the host.
#include <gtest/gtest.h>

#include <functional>

#include "tests/keyboard/EditStation.h"

namespace {

struct Case {
  const char* name;
  unsigned int start;   // the cursor's first position
  Script script;
  unsigned int first, last;  // the positions checked
  const char* expected;      // their bytes (EditStation's readable text)
  unsigned int cursor;
  unsigned int error;
  unsigned char aid;
  std::function<void(EditStation&)> setup = nullptr;
};

using S = EditStation;

void Mandatory(EditStation& st) {
  st.mandEntry->setFormatByte(0, static_cast<unsigned char>(st.mandEntry->formatByte(0) | EntryField::kMandatoryEntry));
}

// A protected field (730-735), the cursor-only position of a selection
// construct (965-967, its attribute at 964) and an input field below it
// (1050-1055), on rows the fixture leaves empty.
constexpr unsigned int kProtected = 730, kSelCursor = 965, kBelow = 1050;
void Protected(EditStation& st) {
  st.field(kProtectedField, {{730, 735}}, EntryField::kIOField);
  st.write(730, "HOST");
}
void SelectionCursor(EditStation& st) {
  Protected(st);
  st.field(kSelectionCursorField, {{965, 967}}, EntryField::kIOField);
  st.field(kLTRField, {{1050, 1055}}, EntryField::kAlphanumericShift);
  st.write(965, "ABC");
}
void SelectionCursorAtHome(EditStation& st) {
  SelectionCursor(st);
  st.display.cursor().setHomePosition(kSelCursor);
}

const Case kCases[] = {
    // Typing in replace mode.
    {"alnum typed", S::kAlnum, Type("AB"), 82, 89, "AB______", 84, 0, 0},
    {"alnum filled advances", S::kAlnum, Type("ABCDEFGH"), 82, 89, "ABCDEFGH", S::kAlpha, 0, 0},
    {"delete closes up", S::kAlnum, Type("ABC") + kLeft + kLeft + kDelete, 82, 89, "AC______", 83, 0, 0},
    {"insert mode shifts right", S::kAlnum, Type("ABC") + kLeft + kLeft + kInsert + Type("X"), 82, 89,
     "AXBC____", 84, 0, 0},
    {"insert mode stays while typing", S::kAlnum, Type("ABC") + kLeft + kLeft + kInsert + Type("XY"), 82, 89,
     "AXYBC___", 85, 0, 0},
    {"insert in a full field", S::kAlnum, kInsert + Type("X"), 82, 89, "ABCDEFGH", 82, 12, 0,
     [](EditStation& st) { st.write(82, "ABCDEFGH"); }},
    {"erase EOF keeps the cursor", S::kAlnum, Type("ABCDE") + kLeft + kLeft + kLeft + kEraseEOF, 82, 89,
     "AB______", 84, 0, 0},
    {"output area refuses data", 0, Type("A"), 0, 1, "__", 0, 5, 0},
    {"monocase field", S::kAlnum, Type("ab"), 82, 83, "AB", 84, 0, 0,
     [](EditStation& st) { st.alnum->setFormatByte(0, EntryField::kMonocase); }},
    // Shift checks.
    {"alphabetic only refuses a digit", S::kAlpha, Type("1"), 100, 104, "_____", 100, 8, 0},
    {"alphabetic only refuses punctuation", S::kAlpha, Type("."), 100, 104, "_____", 100, 8, 0},
    {"alphabetic only takes letters", S::kAlpha, Type("XY"), 100, 104, "XY___", 102, 0, 0},
    {"numeric only refuses a letter", S::kNumeric, Type("A"), 162, 166, "_____", 162, 9, 0},
    {"numeric only field minus", S::kNumeric, Type("12") + kFieldMinus, 162, 166, "12__}", S::kSigned, 0, 0},
    {"data-entry minus acts as field minus", S::kNumeric, Type("12-"), 162, 166, "12__}", S::kSigned, 0, 0},
    {"field minus refused in alphanumeric", S::kAlnum, Type("1") + kFieldMinus, 82, 83, "1_", 83, 16, 0},
    // Signed numeric.
    {"signed field minus", S::kSigned, Type("12") + kFieldMinus, 180, 185, "   12-", S::kMandFill, 0, 0},
    {"signed field exit", S::kSigned, Type("12") + kFieldExit, 180, 185, "   12_", S::kMandFill, 0, 0},
    {"signed full waits for exit", S::kSigned, Type("12345") + Type("6"), 180, 185, "12345_", 184, 18, 0},
    {"signed full then field exit", S::kSigned, Type("12345") + kFieldExit, 180, 185, "12345_", S::kMandFill, 0, 0},
    {"signed sign position", 185, Type("1"), 180, 185, "______", 185, 11, 0},
    {"signed refuses a letter", S::kSigned, Type("A"), 180, 185, "______", 180, 10, 0},
    {"signed delete on the sign", 185, kDelete, 180, 185, "12___-", 185, 11, 0,
     [](EditStation& st) { st.write(180, "12___-"); }},
    {"signed enter before exit", S::kSigned, Type("12") + kEnter, 180, 185, "12____", 182, 20, 0},
    // Right adjust.
    {"right adjust on field exit", S::kAdjust, Type("12") + kFieldExit, 650, 654, "00012", S::kDupField, 0, 0},
    {"right adjust field minus", S::kAdjust, Type("125") + kFieldMinus, 650, 654, "0012N", S::kDupField, 0, 0},
    {"right adjust enter without exit", S::kAdjust, Type("12") + kEnter, 650, 654, "12___", 652, 20, 0},
    // Mandatory fill and entry.
    {"mandatory fill part filled", S::kMandFill, Type("12") + kFieldExit, 242, 245, "12__", 242, 17, 0},
    {"mandatory fill left empty", S::kMandFill, kFieldExit, 242, 245, "____", S::kMandEntry, 0, 0},
    {"mandatory fill tab with nulls", S::kMandFill, Type("12") + kTab, 242, 245, "12__", 242, 14, 0},
    {"mandatory fill complete", S::kMandFill, Type("1234"), 242, 245, "1234", S::kMandEntry, 0, 0},
    {"mandatory entry exit empty", S::kMandEntry, kFieldExit, 260, 264, "_____", 260, 21, 0, Mandatory},
    {"mandatory entry typed", S::kMandEntry, Type("AB") + kFieldExit, 260, 264, "AB___", S::kWrap, 0, 0,
     Mandatory},
    {"mandatory entry at enter", S::kAlnum, Type("X") + kTab + kEnter, 260, 264, "_____", 260, 7, 0, Mandatory},
    // Self-check.
    {"modulus 10 valid", S::kMod10, Type("79927398713"), 482, 492, "79927398713", S::kAuto, 0, 0},
    {"modulus 10 invalid", S::kMod10, Type("79927398710"), 482, 492, "79927398710", 482, 15, 0},
    {"modulus 10 checked on tab", S::kMod10, Type("7992") + kTab, 482, 486, "7992_", 482, 15, 0},
    // Auto-enter, field exit required, Dup, Field Mark.
    {"auto-enter posts enter", S::kAuto, Type("XYZ"), 562, 564, "XYZ", 564, 0, 0xF1},
    {"auto-enter alternate AID", S::kAuto, Type("XYZ"), 562, 564, "XYZ", 564, 0, 0x50,
     [](EditStation& st) { st.autoEnter->setFormatByte(0, EntryField::kAlternateAid); }},
    {"exit required waits", S::kExitReq, Type("ABCD") + Type("E"), 570, 573, "ABCD", 573, 18, 0},
    {"exit required field exit", S::kExitReq, Type("ABCD") + kFieldExit, 570, 573, "ABCD", S::kAdjust, 0, 0},
    {"exit required cursor left retypes", S::kExitReq, Type("ABCD") + kLeft + Type("X"), 570, 573, "ABCX", 573, 0, 0},
    {"dup fills and advances", S::kDupField, Type("A") + kDup, 660, 664, "A****", S::kAlnum, 0, 0},
    {"dup without its bit", S::kAlnum, kDup, 82, 83, "__", 82, 19, 0},
    {"field mark without the option", S::kDupField, kFieldMark, 660, 661, "__", 660, 19, 0},
    {"field mark", S::kDupField, Type("A") + kFieldMark, 660, 662, "A#_", 662, 0, 0,
     [](EditStation& st) { st.display.options().fieldMarkAllowed = true; }},
    // Navigation.
    {"home then home posts record backspace", S::kAlnum, Type("ABC") + kHome + kHome, 82, 84, "ABC", 82, 0, 0xF8},
    {"field backspace to start then previous field", S::kAlnum, Type("ABC") + kFieldBackspace + kFieldBackspace,
     82, 84, "ABC", S::kDupField, 0, 0},
    {"cursor right leaves the field", 89, kRight, 82, 89, "________", 90, 0, 0},
    {"cursor down to the field below", S::kAlnum, kDown, 82, 82, "_", S::kNumeric, 0, 0},
    {"fast cursor right", S::kAlnum, kFastRight, 82, 82, "_", 85, 0, 0},
    {"character advance at the end advances", 89, kCharAdvance, 82, 82, "_", S::kAlpha, 0, 0},
    {"destructive backspace", S::kAlnum, Type("ABC") + kCharBackspace, 82, 89, "AB______", 84, 0, 0},
    {"end key after the last character", S::kAlnum, kEndOfLine, 82, 89, "AB_C____", 86, 0, 0,
     [](EditStation& st) { st.write(82, "AB_C"); }},
    {"close squeezes the nulls", S::kAlnum, kClose, 82, 89, "ABCD____", 86, 0, 0,
     [](EditStation& st) { st.write(82, "AB__CD__"); }},
    // Errors and the immediate keys.
    {"reset ends the error", S::kAlpha, Type("1") + kReset + Type("AB"), 100, 104, "AB___", 102, 0, 0},
    {"keys in the error state do nothing", S::kAlpha, Type("1") + Type("AB"), 100, 104, "_____", 100, 8, 0},
    {"attention in the error state", S::kAlpha, Type("1") + kAttention, 100, 104, "_____", 100, 8, 0x02},
    {"erase input clears modified fields", S::kAlpha, Type("AB") + kEraseInput, 100, 104, "_____", 82, 0, 0},
    // Word wrap over two rows.
    {"word wrap moves the split word down", S::kWrap, Type("HELLO WORLD"), 322, 331, "HELLO ____", 407, 0, 0},
    {"word wrap second row", S::kWrap, Type("HELLO WORLD"), 402, 411, "WORLD_____", 407, 0, 0},
    {"word wrap insert pushes a word down", S::kWrap, kInsert + Type("XY"), 322, 331, "XYAAAA ___", 324, 0, 0,
     [](EditStation& st) { st.write(322, "AAAA BBBB_"); }},
    {"word wrap insert second row", S::kWrap, kInsert + Type("XY"), 402, 411, "BBBB______", 324, 0, 0,
     [](EditStation& st) { st.write(322, "AAAA BBBB_"); }},
    {"word wrap delete pulls the next word up", S::kWrap, kDelete + kDelete, 322, 331, "AA BBB CCC", 322, 0, 0,
     [](EditStation& st) {
       st.write(322, "AAAA BBB _");
       st.write(402, "CCC");
     }},
    {"word wrap delete empties the second row", S::kWrap, kDelete + kDelete, 402, 411, "__________", 322, 0, 0,
     [](EditStation& st) {
       st.write(322, "AAAA BBB _");
       st.write(402, "CCC");
     }},
    {"word wrap full field refuses an insert", S::kWrap, kInsert + Type("X"), 402, 411, "BBBBBBBBBB", 322, 12, 0,
     [](EditStation& st) {
       st.write(322, "AAAAAAAAAA");
       st.write(402, "BBBBBBBBBB");
     }},
    {"word wrap close", S::kWrap, kClose, 322, 323, "__", 322, 91, 0},
    // A protected field: the cursor moves, nothing edits.
    {"protected refuses data", kProtected, Type("X"), 730, 735, "HOST__", 730, 5, 0, Protected},
    {"protected refuses delete", 731, kDelete, 730, 735, "HOST__", 731, 5, 0, Protected},
    {"protected refuses erase EOF", kProtected, kEraseEOF, 730, 735, "HOST__", 730, 5, 0, Protected},
    {"protected refuses field exit", kProtected, kFieldExit, 730, 735, "HOST__", 730, 5, 0, Protected},
    {"protected refuses dup", kProtected, kDup, 730, 735, "HOST__", 730, 5, 0, Protected},
    {"protected refuses close", kProtected, kClose, 730, 735, "HOST__", 730, 5, 0, Protected},
    {"protected refuses field minus", kProtected, kFieldMinus, 730, 735, "HOST__", 730, 5, 0, Protected},
    {"protected cursor right inside", kProtected, kRight, 730, 735, "HOST__", 731, 0, 0, Protected},
    {"protected erase input keeps the text", kProtected, kEraseInput, 730, 735, "HOST__", 82, 0, 0, Protected},
    // The selection cursor: on a segment's start, left two beyond its edges.
    {"selection cursor right leaves past the end", kSelCursor, kRight, 965, 967, "ABC", 969, 0, 0,
     SelectionCursor},
    {"selection cursor left leaves before the attribute", kSelCursor, kLeft, 965, 967, "ABC", 963, 0, 0,
     SelectionCursor},
    {"selection cursor entered from the left", 963, kRight, 965, 967, "ABC", 965, 0, 0, SelectionCursor},
    {"selection cursor entered from the right", 969, kLeft, 965, 967, "ABC", 965, 0, 0, SelectionCursor},
    {"selection cursor two rights", 963, kRight + kRight, 965, 967, "ABC", 969, 0, 0, SelectionCursor},
    {"selection cursor down settles on the start", 887, kDown, 965, 967, "ABC", 965, 0, 0, SelectionCursor},
    {"selection cursor up leaves", kSelCursor, kUp, 965, 967, "ABC", 885, 0, 0, SelectionCursor},
    {"selection cursor new line", kSelCursor, kNewline, 965, 967, "ABC", kBelow, 0, 0, SelectionCursor},
    {"selection cursor home", kSelCursor, kHome, 965, 967, "ABC", 82, 0, 0, SelectionCursor},
    {"selection cursor at home posts record backspace", kSelCursor, kHome, 965, 967, "ABC", 965, 0, 0xF8,
     SelectionCursorAtHome},
    {"selection cursor field advance", kSelCursor, kTab, 965, 967, "ABC", kBelow, 0, 0, SelectionCursor},
    {"selection cursor character advance", kSelCursor, kCharAdvance, 965, 967, "ABC", kBelow, 0, 0,
     SelectionCursor},
    // Destructive backspace on the first position deletes there: refused.
    {"selection cursor character backspace", kSelCursor, kCharBackspace, 965, 967, "ABC", 965, 5, 0,
     SelectionCursor},
    {"selection cursor enter", kSelCursor, kEnter, 965, 967, "ABC", 965, 0, 0xF1, SelectionCursor},
    {"selection cursor refuses data", kSelCursor, Type("X"), 965, 967, "ABC", 965, 5, 0, SelectionCursor},
    {"selection cursor refuses delete", kSelCursor, kDelete, 965, 967, "ABC", 965, 5, 0, SelectionCursor},
    {"selection cursor refuses erase EOF", kSelCursor, kEraseEOF, 965, 967, "ABC", 965, 5, 0, SelectionCursor},
    {"selection cursor refuses dup", kSelCursor, kDup, 965, 967, "ABC", 965, 5, 0, SelectionCursor},
    {"selection cursor refuses field exit", kSelCursor, kFieldExit, 965, 967, "ABC", 965, 5, 0, SelectionCursor},
};

class FieldScripts : public ::testing::TestWithParam<Case> {};

TEST_P(FieldScripts, LeaveFieldCursorErrorAndAid) {
  const Case& c = GetParam();
  EditStation st;
  if (c.setup) c.setup(st);
  st.place(c.start);
  st.run(c.script);
  EXPECT_EQ(st.bytes(c.first, c.last), Ebcdic(c.expected));
  EXPECT_EQ(st.cursor(), c.cursor);
  EXPECT_EQ(st.error(), c.error);
  EXPECT_EQ(st.aid(), c.aid);
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  std::string n;
  for (const char* p = info.param.name; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(Keys, FieldScripts, ::testing::ValuesIn(kCases), CaseName);

}  // namespace

// The selection cursor owns its attribute and the position after its
// segment; a move onto any of them settles on the start, and the station's
// selection-cursor indicator is on while the field has the focus.
TEST(FieldEditing, SelectionCursorOwnsThePositionsAroundItsSegment) {
  EditStation st;
  SelectionCursor(st);
  FormatTable& t = st.display.formatTable();
  for (unsigned int p : {964u, 965u, 967u, 968u}) {
    ASSERT_NE(t.getField(p), nullptr) << p;
    EXPECT_EQ(t.getField(p)->getFieldClassID(), kSelectionCursorField) << p;
  }
  EXPECT_EQ(t.getField(963), nullptr);
  EXPECT_EQ(t.getField(969), nullptr);
  Field* f = t.getField(kSelCursor);
  EXPECT_EQ(f->getSegmentStartAt(966), 964u);
  EXPECT_EQ(f->getSegmentEndAt(966), 968u);
  EXPECT_EQ(f->getLastCursorOffset(&st.display), 965u);
  for (unsigned int p : {964u, 966u, 968u}) {
    st.place(p);
    EXPECT_EQ(st.cursor(), 965u) << p;
    EXPECT_TRUE(st.display.modeFlagsA() & DisplayBag::kASelectionCursor) << p;
  }
  st.run(kTab);
  EXPECT_EQ(st.cursor(), kBelow);
  EXPECT_FALSE(st.display.modeFlagsA() & DisplayBag::kASelectionCursor);
}

// Edits set the field's MDT; a field the operator did not touch keeps it
// clear, so the inbound record carries only the modified fields.
TEST(FieldEditing, EditsSetTheMDTOfTheirFieldOnly) {
  struct MdtCase {
    unsigned int start;
    Script script;
  };
  const MdtCase cases[] = {
      {EditStation::kAlnum, Type("A")},
      {EditStation::kAlnum, kDelete},
      {EditStation::kAlnum, kEraseEOF},
      {EditStation::kAlnum, kFieldExit},
      {EditStation::kWrap, Type("A")},
      {EditStation::kDupField, kDup},
  };
  for (const MdtCase& c : cases) {
    EditStation st;
    st.place(c.start);
    st.run(c.script);
    EntryField* f = static_cast<EntryField*>(st.display.formatTable().getField(c.start));
    EXPECT_TRUE(f->isModified()) << c.start;
    unsigned int modified = 0;
    for (Field* g = st.display.formatTable().firstRecord(); g; g = st.display.formatTable().nextRecord(g))
      modified += g->isModified() ? 1u : 0u;
    EXPECT_EQ(modified, 1u) << c.start;
  }
}

// Keys typed on the keyboard reach the field through the translator.
TEST(FieldEditing, KeyRecordsThroughTheTranslator) {
  EditStation st;
  st.place(EditStation::kAlnum);
  st.keys({kScanA, kScanTop1, kScanSpace, kScanZ});
  EXPECT_EQ(st.bytes(82, 85), std::string("\x81\xF1\x40\xA9"));
  EXPECT_EQ(st.cursor(), 86u);
  st.place(EditStation::kNumeric);
  st.key(kScanA);
  EXPECT_EQ(st.error(), 9u);
}

// Field Exit erases from the cursor to the end of an ordinary field (the
// step that, read literally, would erase only while shaping runs).
TEST(FieldEditing, FieldExitErasesTheRestOfAnOrdinaryField) {
  EditStation st;
  st.write(82, "ABCDEFG");
  st.place(84);
  st.run(kFieldExit);
  EXPECT_EQ(st.bytes(82, 89), Ebcdic("AB______"));
  EXPECT_EQ(st.cursor(), unsigned(EditStation::kAlpha));
}

// Attention in the error and locked states reaches the host as the
// attention signal and never ends the program.
TEST(FieldEditing, AttentionInEveryStateIsSafe) {
  for (int state = 0; state < 3; ++state) {
    EditStation st;
    st.place(EditStation::kAlpha);
    if (state == 1) st.run(Type("1"));          // error
    if (state == 2) st.run(Type("1") + K(6, 7));  // help in error: post-help error
    st.run(kAttention);
    EXPECT_EQ(st.aid(), 0x02) << state;
  }
}

// Insert mode lasts while the cursor moves inside the field; entering
// another field ends it, and the insert indicator shows the mode that
// typing will use.
TEST(FieldEditing, InsertModeAndItsIndicatorAgree) {
  EditStation st;
  st.place(EditStation::kAlnum);
  st.run(kInsert + Type("AB"));
  EXPECT_TRUE(st.display.modeFlagsA() & DisplayBag::kAInsert);
  EXPECT_TRUE(st.display.indicators().current().get() & Indicators::kInsert);
  st.run(kTab);
  EXPECT_FALSE(st.display.modeFlagsA() & DisplayBag::kAInsert);
  EXPECT_FALSE(st.display.indicators().current().get() & Indicators::kInsert);
}

// Reset in system request: the first Reset ends insert mode, the next one
// leaves system request. When the preference keeps insert mode, Reset
// leaves system request at once instead of never.
TEST(FieldEditing, ResetLeavesSystemRequest) {
  for (unsigned char keep = 0; keep < 2; ++keep) {
    EditStation st;
    st.display.options().insertModePreference = keep;
    st.place(EditStation::kAlnum);
    st.run(kSystemRequest);
    ASSERT_EQ(st.keyboard().state(), KeyboardState::kSystemRequest);
    st.display.modeFlagsA() |= DisplayBag::kAInsert;
    st.run(kReset);
    EXPECT_EQ(st.keyboard().state(), keep ? KeyboardState::kNormalUnlocked : KeyboardState::kSystemRequest)
        << int(keep);
    st.run(kReset);
    EXPECT_EQ(st.keyboard().state(), KeyboardState::kNormalUnlocked) << int(keep);
  }
}

// Text-assist keys reach the text session in word processing and do
// nothing elsewhere.
TEST(FieldEditing, TextAssistKeysGoToTheTextSession) {
  struct TextCase {
    Script key;
    const char* handler;
  };
  const TextCase cases[] = {
      {K(26, 1), "c_textunderscore"}, {K(26, 5), "processsecattr"}, {K(26, 12), "altAKey"},
      {K(1, 17), "c_textendofline"},  {kDup, "c_textdup"},          {kFieldExit, "c_textrqcarrierreturn"},
      {kTab, "c_texttabadvance"},     {kDelete, "deleteKey"},       {Type("A"), "datakeys"},
      {kAttention, "c_textattention"}, {kClose, "c_textendpush"},   {kLeft, "c_textleft"},
  };
  for (const TextCase& c : cases) {
    EditStation st;
    st.place(EditStation::kAlnum);
    ASSERT_TRUE(st.keyboard().enterWPState());
    st.run(c.key);
    EXPECT_STREQ(st.display.textSession()->lastHandler(), c.handler);
  }
  EditStation st;
  st.place(EditStation::kAlnum);
  st.run(K(26, 1));
  EXPECT_STREQ(st.display.textSession()->lastHandler(), "");
  EXPECT_EQ(st.error(), 0u);
}
