// Fields of a real session window under a private X server, driven through
// XTEST against the loopback host: the arrows of a scroll bar clicked with
// the pointer send the scroll AID with one row; words typed or pasted into
// a word-wrap field, and Delete, Erase EOF, Field Exit and a cut there,
// keep words whole on the screen and in the host's read; End, New Line,
// Erase Input and Reset in a selection list, and the cursor keys on a
// selection cursor, reach their fields from the keyboard. (The file's name
// puts this suite after those that make the program's toolkit.)
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <string>
#include <vector>

#include "display/CopiedDataInformation.h"
#include "display/DisplayBag.h"
#include "display/ScrollBarField.h"
#include "display/SelectionField.h"
#include "keyboard/KeyboardState.h"
#include "keyboard/TAXlate.h"
#include "keyboard/XlateTable.h"
#include "tests/support/ForeignSelectionOwner.h"
#include "tests/xsession/SessionWindowFixture.h"
#include "xfront/ClipboardText.h"

namespace {

using namespace qwtest::session_toolkit;
using namespace session_window;


// A vertical scroll bar whose attribute stands at (row, column): cells
// rows, over total rows at position.
Bytes ScrollBar(int row, int column, uint32_t total, uint32_t position, uint8_t cells) {
  Bytes sf = {0x00, 15, 0xD9, 0x53, 0x00, 0x00};
  for (uint32_t v : {total, position})
    for (int shift = 24; shift >= 0; shift -= 8) sf.push_back(static_cast<uint8_t>(v >> shift));
  sf.push_back(cells);
  return Cat({Sba(row, column), {0x15}, sf});
}

// A start-field order at (row, column) for a field of `length` positions.
Bytes StartField(int row, int column, const Bytes& ffwAndFcw, uint8_t length) {
  return Cat({Sba(row, column), {0x1D}, ffwAndFcw, {0x20, 0x00, length}});
}
// A word-wrap field of 20 positions whose attribute stands at row 10,
// column 70: ten positions on row 10, ten on row 11.
Bytes WordWrapField() { return StartField(10, 70, {0x40, 0x00, 0x86, 0x80}, 20); }

// A single-choice list whose attribute stands at row 5, column 10, with
// choices "Apple", "Banana" and "Cherry" on rows 5 to 7 from column 11
// (mnemonics A, B, C); `flags` 0x08 sends Enter when a choice is selected
// or deselected.
constexpr unsigned int kApple = 4 * 80 + 10, kBanana = 5 * 80 + 10, kCherry = 6 * 80 + 10;
Bytes SelectionList(uint8_t flags) {
  Bytes minors;
  for (const char* text : {"Apple", "Banana", "Cherry"}) {
    const Bytes t = Host(text);
    minors = Cat({minors, {static_cast<uint8_t>(6 + t.size()), 0x10, 0x08, 0x00, 0xE0, 0x00}, t});
  }
  const size_t n = 20 + minors.size();
  const Bytes sf = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0xD9, 0x50, flags, 0x00, 0x00, 0x21,
                    0xF2, 0xF2, 0xF2, 0x00, 0x00, 6, 3, 1, 0x00, 0x00, 0x00, 0x00};
  return Cat({Sba(5, 10), {0x15}, sf, minors});
}
// Unlocks the keyboard without touching the screen and reads again.
Bytes Unlock() { return Record({0x04, 0x11, 0x00, 0x08, 0x04, 0x52, 0x00, 0x00}); }

class FieldWindowTest : public SessionWindowTest {
 protected:
  // Row 10 or 11 of the word-wrap field of 20 positions from row 10,
  // column 71 (ten on row 10, ten on row 11), in typing order (from its
  // right end in a right-to-left field).
  Bytes WrapRow(SessionControlBlock* s, int r, bool rightToLeft = false) {
    PresentationSpaceScreenBuffer& ps = s->display->presentationSpace();
    const unsigned int first = r == 10 ? 9 * 80 + 70 : 10 * 80;
    Bytes b;
    for (unsigned int i = 0; i < 10; ++i) b.push_back(ps.getCharacter(rightToLeft ? first + 9 - i : first + i));
    return b;
  }
  // Enter sends the field's words in typing order without the nulls
  // between them.
  void ExpectEnterSends(const char* words) {
    ASSERT_TRUE(qwtest::PressKey(test_, XK_Return));
    XSync(test_, False);
    const Bytes record = NextRecord();
    const Bytes text = Cat({Sba(10, 71), Host(words)});
    ASSERT_GE(record.size(), text.size());
    EXPECT_EQ(Bytes(record.end() - static_cast<long>(text.size()), record.end()), text);
  }
  // Types (or pastes with Control+V) "HELLO WORLD" into the word-wrap
  // field: the word that does not fit on row 10 moves down whole.
  void TypeHelloWorld(SessionControlBlock* s, bool rightToLeft, bool paste = false) {
    qwtest::ForeignSelectionOwner owner;
    if (paste) {
      ASSERT_TRUE(owner.start(DisplayString(test_), {{"UTF8_STRING", {"UTF8_STRING", "HELLO WORLD"}}}));
      ASSERT_TRUE(qwtest::PressKey(test_, XK_v, {XK_Control_L}));
    } else {
      ASSERT_TRUE(qwtest::TypeText(test_, "HELLO WORLD"));
    }
    XSync(test_, False);
    EXPECT_TRUE(RunUntil([&] { return WrapRow(s, 11, rightToLeft)[4] != 0; }));
    EXPECT_EQ(WrapRow(s, 10, rightToLeft), Cat({Host("HELLO "), Bytes(4, 0)}));
    EXPECT_EQ(WrapRow(s, 11, rightToLeft), Cat({Host("WORLD"), Bytes(5, 0)}));
    ExpectEnterSends("HELLO WORLD");
  }
  // Ends the session and the host of one case of a table.
  void EndCase() {
    EndSessions(1);
    Pump(20);
    host_.Stop();
  }

  // The host writes `screen` again (after the keyboard table changed).
  void Rewrite(const Bytes& screen) {
    host_.SendRecord(screen);
    EXPECT_TRUE(host_.Barrier(kWaitMs, HostPump()));
    Pump(20);
  }
};

// A bar of 10 cells over 100 rows: at position 5 the slider stands below
// the first shaft cell, so the up arrow steps one row back; at position 88
// it stands above the last, so the down arrow steps one row on.
TEST_P(FieldWindowTest, ScrollBarArrowsClickedSendOneRow) {
  struct Case {
    uint32_t position;
    int row;  // the arrow's row (the bar stands in rows 5 to 14)
    uint8_t aid;
  };
  for (const Case& c : {Case{5, 5, 0xF4}, Case{88, 14, 0xF5}}) {
    SCOPED_TRACE(c.position);
    SessionControlBlock* s = Open(HostScreen(ScrollBar(5, 70, 100, c.position, 10), 1, 1));
    ASSERT_NE(s, nullptr);
    Field* f = s->display->formatTable().firstRecord();
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->getFieldClassID(), kVerticalScrollBar);
    EXPECT_EQ(static_cast<ScrollBarField*>(f)->sliderOffset(), c.position == 5 ? 2u : 7u);
    Click(s, c.row, 71);
    const Bytes record = NextRecord();
    ASSERT_GE(record.size(), 17u);
    EXPECT_EQ(record[12], c.aid);
    EXPECT_EQ(Bytes(record.end() - 4, record.end()), Bytes({0, 0, 0, 1})) << "one row";
    EndCase();
  }
}

// A word-wrap field of 20 positions from row 10, column 71: ten on row 10,
// ten on row 11. Typed through XTEST, the word that does not fit on row 10
// moves down whole; the host reads the text without the nulls between.
TEST_P(FieldWindowTest, TypedWordsWrapWhole) {
  const Bytes field = Cat({Sba(10, 70), {0x1D, 0x40, 0x00, 0x86, 0x80, 0x20, 0x00, 20}});
  SessionControlBlock* s = Open(HostScreen(field, 10, 71));
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->display->formatTable().firstRecord()->getFieldClassID(), kWordWrapField);
  TypeHelloWorld(s, false);
}

// Erase EOF (Alt+Delete) and Field Exit (the keypad's plus) after "CCCC"
// on row 11, and a cut (Control+X) of " DDDD" marked by a drag, pull that
// word up to row 10; two Deletes at the start of "AAAA BBB" make room for
// "CCC" on row 10. What Enter sends holds the words whole.
TEST_P(FieldWindowTest, EditKeysInAWordWrapFieldKeepWordsWhole) {
  struct Case {
    const char* name;
    const char* row10;
    const char* row11;
    int cursorRow, cursorColumn;
    KeySym key;
    std::vector<KeySym> modifiers;
    int presses;
    const char* after10;
    const char* text;
    int dragFromColumn = 0, dragToColumn = 0;  // a drag over row 11 first
  };
  const Case cases[] = {
      {"erase EOF", "AA BB ", "CCCC DDDD", 11, 5, XK_Delete, {XK_Alt_L}, 1, "AA BB CCCC", "AA BB CCCC"},
      {"field exit", "AA BB ", "CCCC DDDD", 11, 5, XK_KP_Add, {}, 1, "AA BB CCCC", "AA BB CCCC"},
      {"delete", "AAAA BBB ", "CCC", 10, 71, XK_Delete, {}, 2, "AA BBB CCC", "AA BBB CCC"},
      {"cut", "AA BB ", "CCCC DDDD", 10, 71, XK_x, {XK_Control_L}, 1, "AA BB CCCC", "AA BB CCCC", 5, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes data = Cat({Sba(10, 71), Host(c.row10), Sba(11, 1), Host(c.row11)});
    SessionControlBlock* s = Open(HostScreen(Cat({WordWrapField(), data}), c.cursorRow, c.cursorColumn));
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->display->formatTable().firstRecord()->getFieldClassID(), kWordWrapField);
    if (c.dragFromColumn) ASSERT_NO_FATAL_FAILURE(DragToMark(s, 11, c.dragFromColumn, 11, c.dragToColumn));
    for (int i = 0; i < c.presses; ++i) ASSERT_TRUE(qwtest::PressKey(test_, c.key, c.modifiers));
    XSync(test_, False);
    const Bytes after10 = Host(c.after10);
    EXPECT_TRUE(RunUntil([&] { return WrapRow(s, 10) == after10; })) << "row 10 never became " << c.after10;
    EXPECT_EQ(WrapRow(s, 11), Bytes(10, 0)) << "row 11 emptied";
    ExpectEnterSends(c.text);
    EndCase();
  }
}

// "HELLO WORLD" pasted with Control+V wraps as typed.
TEST_P(FieldWindowTest, PastedWordsWrapWhole) {
  SessionControlBlock* s = Open(HostScreen(WordWrapField(), 10, 71));
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->display->formatTable().firstRecord()->getFieldClassID(), kWordWrapField);
  TypeHelloWorld(s, false, true);
}

// End goes to the list's last choice, New Line from there to the first
// (no field follows), Down and the slash select "Banana", and Erase Input
// (Alt+End) deselects it and sends the cursor home.
TEST_P(FieldWindowTest, SelectionListKeysFromTheKeyboard) {
  SessionControlBlock* s = Open(HostScreen(SelectionList(0x00), 5, 11));
  ASSERT_NE(s, nullptr);
  Field* f = s->display->formatTable().getField(kApple);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->getFieldClassID(), kSelectionField);
  SelectionField* list = static_cast<SelectionField*>(f);
  const auto cursor = [&] { return s->display->cursor().getCursorOffset(); };
  ASSERT_EQ(cursor(), kApple);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_End));
  XSync(test_, False);
  EXPECT_TRUE(RunUntil([&] { return cursor() == kCherry; })) << cursor();
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Control_R));  // New Line
  XSync(test_, False);
  EXPECT_TRUE(RunUntil([&] { return cursor() == kApple; })) << cursor();
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Down));
  ASSERT_TRUE(qwtest::TypeText(test_, "/"));
  XSync(test_, False);
  EXPECT_TRUE(RunUntil([&] { return list->getFirstSelectedChoice() != nullptr; }));
  EXPECT_EQ(cursor(), kBanana);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_End, {XK_Alt_L}));  // Erase Input
  XSync(test_, False);
  EXPECT_TRUE(RunUntil([&] { return list->getFirstSelectedChoice() == nullptr; }));
  EXPECT_EQ(cursor(), kApple) << "home";
  EXPECT_EQ(s->display->keyboardState().state(), KeyboardState::kNormalUnlocked) << "no operator error";
}

// In a list that sends Enter on selection and deselection, Erase Input
// deselects and names the AID: the host reads the list again with nothing
// selected.
TEST_P(FieldWindowTest, EraseInputSendsTheAidTheListNames) {
  SessionControlBlock* s = Open(HostScreen(SelectionList(0x08), 6, 11));
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(qwtest::TypeText(test_, "/"));
  XSync(test_, False);
  Bytes record = NextRecord();
  ASSERT_GE(record.size(), 13u);
  EXPECT_EQ(record[12], 0xF1) << "the selection sent Enter";
  host_.SendRecord(Unlock());
  EXPECT_TRUE(host_.Barrier(kWaitMs, HostPump()));
  Pump(20);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_End, {XK_Alt_L}));  // Erase Input
  XSync(test_, False);
  record = NextRecord();
  ASSERT_GE(record.size(), 13u);
  EXPECT_EQ(record[12], 0xF1) << "the deselection sent Enter";
  SelectionField* list = static_cast<SelectionField*>(s->display->formatTable().getField(kApple));
  EXPECT_EQ(list->getFirstSelectedChoice(), nullptr);
}

// Reset (the left Control key) in the normal state puts the cursor that
// the host left inside "Banana" back on the choice's start.
TEST_P(FieldWindowTest, ResetPutsTheCursorOnTheChoice) {
  SessionControlBlock* s = Open(HostScreen(SelectionList(0x00), 6, 14));
  ASSERT_NE(s, nullptr);
  const auto cursor = [&] { return s->display->cursor().getCursorOffset(); };
  ASSERT_EQ(cursor(), kBanana + 3);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Control_L));
  XSync(test_, False);
  EXPECT_TRUE(RunUntil([&] { return cursor() == kBanana; })) << cursor();
}

// A selection cursor (an I/O field whose control word asks for highlight
// 0x20) at row 12, columns 6-8: Cursor Right leaves it two positions past
// its end, Cursor Left from there comes back to its start, and its
// indicator shows while the cursor is on it.
TEST_P(FieldWindowTest, CursorKeysOnASelectionCursor) {
  constexpr unsigned int kStart = 11 * 80 + 5;
  SessionControlBlock* s = Open(HostScreen(StartField(12, 5, {0x46, 0x00, 0x89, 0x25}, 3), 12, 6));
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->display->formatTable().firstRecord()->getFieldClassID(), kSelectionCursorField);
  const auto cursor = [&] { return s->display->cursor().getCursorOffset(); };
  const auto indicator = [&] { return (s->display->modeFlagsA() & DisplayBag::kASelectionCursor) != 0; };
  ASSERT_EQ(cursor(), kStart);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Right));
  XSync(test_, False);
  EXPECT_TRUE(RunUntil([&] { return cursor() == kStart + 4; })) << cursor();
  EXPECT_FALSE(indicator());
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Left));
  XSync(test_, False);
  EXPECT_TRUE(RunUntil([&] { return cursor() == kStart; })) << cursor();
  EXPECT_TRUE(indicator());
}

// Arabic: the keyboard table an Arabic host loads (right to left, the
// Arabic keyboard code) makes the session's input fields right to left and
// shapes what is typed. The right-to-left field: ten positions, Dup
// allowed, at row 10 columns 31-40, read in typing order from its right
// end; below it, at row 12 columns 31-40, an alphanumeric field, which stays
// left to right and unshaped.
constexpr unsigned char kBeh = 0x58, kBehInitial = 0x59;
constexpr unsigned int kLatinField = 11 * 80 + 30;
Bytes ArabicScreen() {
  return HostScreen(Cat({StartField(10, 30, {0x54, 0x00}, 10), StartField(12, 30, {0x40, 0x00}, 10)}), 10, 40);
}

class ArabicSession {
 public:
  explicit ArabicSession(SessionControlBlock* s) : s_(s), tax_(s->taxlate), latin_(tax_->activeTable()) {
    arabic_ = *latin_;
    arabic_.keyboardCode = 0xE6D6;
    arabic_.flags |= XlateTableInfo::kRightToLeft;
    tax_->setUsesHostTables(true);
    tax_->loadXlateTable(&arabic_);
  }
  ~ArabicSession() {
    tax_->loadXlateTable(latin_);
    tax_->setUsesHostTables(false);
  }
  unsigned char typed(unsigned int i) const { return s_->display->presentationSpace().getCharacter(9 * 80 + 39 - i); }

 private:
  SessionControlBlock* s_;
  TAXlate* tax_;
  XlateTableInfo* latin_;
  XlateTableInfo arabic_;
};

// Two behs typed (the key of code point 0x58 in this session's code page,
// i-grave) wait for a third letter in their joining shapes; Dup
// (Shift+Insert) and Erase EOF (Alt+Delete) end the word, and the second
// beh takes its final form.
TEST_P(FieldWindowTest, DupAndEraseEndOfFieldEndAnArabicWord) {
  ASSERT_TRUE(qwtest::BindKeysyms(test_, {XK_igrave}));
  for (const bool dup : {true, false}) {
    SCOPED_TRACE(dup ? "Dup" : "Erase EOF");
    SessionControlBlock* s = Open(ArabicScreen());
    ASSERT_NE(s, nullptr);
    {
      ArabicSession arabic(s);
      // The host writes the screen again for the Arabic keyboard.
      Rewrite(ArabicScreen());
      ASSERT_EQ(s->display->formatTable().firstRecord()->getFieldClassID(), kRTLField);
      ASSERT_TRUE(qwtest::PressKey(test_, XK_igrave));
      ASSERT_TRUE(qwtest::PressKey(test_, XK_igrave));
      XSync(test_, False);
      EXPECT_TRUE(RunUntil([&] { return arabic.typed(1) != 0; })) << "two letters typed";
      EXPECT_EQ(arabic.typed(0), kBehInitial);
      EXPECT_EQ(arabic.typed(1), kBehInitial) << "the second beh waits to be joined";
      if (dup)
        ASSERT_TRUE(qwtest::PressKey(test_, XK_Insert, {XK_Shift_L}));
      else
        ASSERT_TRUE(qwtest::PressKey(test_, XK_Delete, {XK_Alt_L}));
      XSync(test_, False);
      // The isolated and final forms share the nominal code point.
      EXPECT_TRUE(RunUntil([&] { return arabic.typed(1) == kBeh; })) << static_cast<int>(arabic.typed(1));
      EXPECT_EQ(arabic.typed(0), kBehInitial);
      EXPECT_EQ(s->display->keyboardState().state(), KeyboardState::kNormalUnlocked) << "no operator error";
    }
    EndCase();
  }
}

// With the Arabic keyboard a word-wrap field is right to left: "HELLO
// WORLD" typed from the right end of row 10 leaves "WORLD" whole on row 11,
// and the host reads the words as typed.
TEST_P(FieldWindowTest, RightToLeftWordWrapKeepsTypedWordsWhole) {
  const Bytes screen = HostScreen(Cat({StartField(10, 70, {0x44, 0x00, 0x86, 0x80}, 20)}), 10, 80);
  SessionControlBlock* s = Open(screen);
  ASSERT_NE(s, nullptr);
  ArabicSession arabic(s);
  Rewrite(screen);
  ASSERT_EQ(s->display->formatTable().firstRecord()->getFieldClassID(), kRTLWordWrapField);
  TypeHelloWorld(s, true);
}

// Three ains copied from another screen in their middle shape (0x9D, a
// cedilla in this session's code page) are pasted with Control+V in their
// keyboard shape and, after Field Exit, stand initial, middle and final.
// Pasted into the left-to-right field they keep their keyboard shape.
TEST_P(FieldWindowTest, PastedArabicLettersTakeTheShapesOfTheirPlaces) {
  SessionControlBlock* s = Open(ArabicScreen());
  ASSERT_NE(s, nullptr);
  ArabicSession arabic(s);
  Rewrite(ArabicScreen());
  ASSERT_EQ(s->display->formatTable().firstRecord()->getFieldClassID(), kRTLField);
  qwtest::ForeignSelectionOwner owner;
  ASSERT_TRUE(owner.start(DisplayString(test_), {{"UTF8_STRING", {"UTF8_STRING", "\xC2\xB8\xC2\xB8\xC2\xB8"}}}));
  ASSERT_TRUE(qwtest::PressKey(test_, XK_v, {XK_Control_L}));
  XSync(test_, False);
  EXPECT_TRUE(RunUntil([&] { return arabic.typed(2) != 0; })) << "three letters pasted";
  ASSERT_TRUE(qwtest::PressKey(test_, XK_KP_Add));  // Field Exit
  XSync(test_, False);
  EXPECT_TRUE(RunUntil([&] { return arabic.typed(2) == 0x9B; })) << static_cast<int>(arabic.typed(2));
  EXPECT_EQ(arabic.typed(0), 0x9C) << "initial";
  EXPECT_EQ(arabic.typed(1), 0x9D) << "middle";
  EXPECT_EQ(s->display->keyboardState().state(), KeyboardState::kNormalUnlocked) << "no operator error";
  ASSERT_TRUE(RunUntil([&] { return s->display->cursor().getCursorOffset() == kLatinField; }))
      << "Field Exit went on to the next field";
  ASSERT_TRUE(qwtest::PressKey(test_, XK_v, {XK_Control_L}));
  XSync(test_, False);
  PresentationSpaceScreenBuffer& ps = s->display->presentationSpace();
  EXPECT_TRUE(RunUntil([&] { return ps.getCharacter(kLatinField + 2) != 0; })) << "three letters pasted";
  for (unsigned int i = 0; i < 3; ++i) EXPECT_EQ(ps.getCharacter(kLatinField + i), 0x9A) << "the ain's keyboard shape";
}

// A Thai session's block copy (in the emulator's own selection format)
// holds its two rows of ten cells in five bytes, the rows ending at 0x25:
// Control+V pastes each row into the field of its own screen row. Without
// the Thai session the 0x25 is a control code, pasted as a blank in one
// row.
TEST_P(FieldWindowTest, ThaiBlockPasteKeepsItsRowSeparators) {
  for (const bool thai : {true, false}) {
    SCOPED_TRACE(thai ? "Thai session" : "other session");
    const Bytes fields = Cat({StartField(10, 30, {0x40, 0x00}, 10), StartField(11, 30, {0x40, 0x00}, 10)});
    SessionControlBlock* s = Open(HostScreen(fields, 10, 31));
    ASSERT_NE(s, nullptr);
    if (thai) s->xstuff.setThaiSession(true);
    CopiedDataInformation info;
    info.flags = CopiedDataInformation::kDataPresent | CopiedDataInformation::kBlock;
    info.startCell = 0;
    info.endCell = 80 + 9;
    info.word3 = 80;
    const Bytes data = Cat({Host("AB"), {0x25}, Host("CD")});
    const std::vector<unsigned char> copy = clipboard::EncodePrivateCopy(info, data.data(), 5);
    qwtest::ForeignSelectionOwner owner;
    ASSERT_TRUE(owner.start(DisplayString(test_),
                            {{"QAV_X5250_STRING", {"QAV_X5250_STRING", std::string(copy.begin(), copy.end())}}}));
    ASSERT_TRUE(qwtest::PressKey(test_, XK_v, {XK_Control_L}));
    XSync(test_, False);
    PresentationSpaceScreenBuffer& ps = s->display->presentationSpace();
    const auto field = [&](int row) {
      Bytes b;
      for (unsigned int i = 0; i < 5; ++i) b.push_back(ps.getCharacter((row - 1) * 80 + 30 + i));
      return b;
    };
    if (thai) {
      EXPECT_TRUE(RunUntil([&] { return field(11)[1] != 0; })) << "the second row pasted";
      EXPECT_EQ(field(10), Cat({Host("AB"), Bytes(3, 0)}));
      EXPECT_EQ(field(11), Cat({Host("CD"), Bytes(3, 0)}));
    } else {
      EXPECT_TRUE(RunUntil([&] { return field(10)[4] != 0; })) << "one row pasted";
      EXPECT_EQ(field(10), Host("AB CD"));
      EXPECT_EQ(field(11), Bytes(5, 0));
    }
    s->xstuff.setThaiSession(false);
    EndCase();
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, FieldWindowTest, qwtest::TestLocales(), qwtest::TestLocaleName);

}  // namespace
