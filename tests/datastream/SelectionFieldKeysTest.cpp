// The operator's keys in selection fields that the data stream defined: the
// cursor moves among choices, selection by the blank, the slash, Enter, a
// mnemonic, the indicators written for each state, auto-enter and the
// operator errors of unavailable and unknown choices.
#include <gtest/gtest.h>

#include "display/SelectionField.h"
#include "keyboard/InObjGen.h"
#include "keyboard/AidKeystrokes.h"
#include "keyboard/KeystrokeClasses.h"
#include "tests/datastream/SelectionFieldRecords.h"

namespace {

using namespace selection_records;

enum class Key { kUp, kDown, kLeft, kRight, kCharAdvance, kCharBackspace, kFieldAdvance, kFieldBackspace,
                 kFieldExit, kEnter, kDelete, kFieldMark };

template <class K>
void Run(DisplayBag& d) {
  K key;
  d.processUserInputObject(&key);
}

void Press(DisplayBag& d, Key k) {
  switch (k) {
    case Key::kUp: return Run<CursorUpKeystroke>(d);
    case Key::kDown: return Run<CursorDownKeystroke>(d);
    case Key::kLeft: return Run<CursorLeftKeystroke>(d);
    case Key::kRight: return Run<CursorRightKeystroke>(d);
    case Key::kCharAdvance: return Run<CharacterAdvanceKeystroke>(d);
    case Key::kCharBackspace: return Run<CharacterBackSpaceKeystroke>(d);
    case Key::kFieldAdvance: return Run<FieldAdvanceKeystroke>(d);
    case Key::kFieldBackspace: return Run<FieldBackspaceKeystroke>(d);
    case Key::kFieldExit: return Run<FieldExitKeystroke>(d);
    case Key::kEnter: return Run<EnterKeystroke>(d);
    case Key::kDelete: return Run<DeleteKeystroke>(d);
    case Key::kFieldMark: return Run<FieldMarkKeystroke>(d);
  }
}

// A station with the screen below, defined by one Write to Display:
// - a single-choice list at row 5 (choices at 5/11, 6/11, 7/11: "Apple"
//   mnemonic A, "Banana" mnemonic B, "Cherry" unavailable, mnemonic C);
// - a multiple-choice list of two columns at row 10 (10/11, 10/17, 11/11
//   that takes no cursor, 11/17);
// - a menu bar at row 15 ("File" 15/11, "Edit" 15/18, "View" 15/25).
class Screen : public DsmStation {
 public:
  static constexpr unsigned int kApple = 4 * 80 + 10, kBanana = 5 * 80 + 10, kCherry = 6 * 80 + 10;
  static constexpr unsigned int kOne = 9 * 80 + 10, kTwo = 9 * 80 + 16, kFour = 10 * 80 + 16;
  static constexpr unsigned int kFile = 14 * 80 + 10, kEdit = 14 * 80 + 17, kView = 14 * 80 + 24;

  explicit Screen(unsigned char listFlags = 0x00, unsigned char listParameter = 0xF2) {
    EXPECT_EQ(run(Record().clearUnit()), 0u);
    Record r;
    r.wtd(0, 0x08);
    Place(r, 5, 10,
          Definition(0x21, 6, 3, 1,
                     Join({ChoiceText(0x08, {0}, "Apple"), ChoiceText(0x08, {0}, "Banana"),
                           ChoiceText(0x88, {0}, "Cherry")}),
                     listFlags, 0, listParameter));
    Place(r, 10, 10,
          Definition(0x12, 4, 2, 2,
                     Join({ChoiceText(0, {}, "One"), ChoiceText(0, {}, "Two"),
                           ChoiceText(0, {}, "Six", kAllDevices, 0x80), ChoiceText(0, {}, "Four")})));
    Place(r, 15, 10,
          Definition(0x01, 4, 1, 3,
                     Join({ChoiceText(0x08, {0}, "File"), ChoiceText(0x08, {0}, "Edit"),
                           ChoiceText(0x08, {0}, "View")}),
                     0x00, 1));
    EXPECT_EQ(run(r), 0u);
    EXPECT_EQ(table().fieldCount(), 3u);
    display.readMgr().setReadPending(1);
  }

  SelectionField* list() { return field(kApple); }
  SelectionField* multiple() { return field(kOne); }
  SelectionField* menu() { return field(kFile); }
  SelectionField* field(unsigned int offset) {
    Field* f = table().getField(offset);
    return f && f->getFieldClassID() == kSelectionField ? static_cast<SelectionField*>(f) : nullptr;
  }

  void place(unsigned int offset) {
    display.cursor().moveCursorToNewArea(static_cast<int>(offset), CursorOffsetAsShown);
  }
  void press(Key k) { Press(display, k); }
  void type(char c) {
    const unsigned char code = Cp037(std::string(1, c))[0];
    AlphaKeystroke key(FunctionWord{10, code});
    display.processUserInputObject(&key);
  }
  unsigned int cursor() { return display.cursor().getCursorOffset(); }
  unsigned int error() {
    const KeyboardState::State s = keyboard().state();
    if (s != KeyboardState::kError && s != KeyboardState::kPostHelpError) return 0;
    const unsigned int code = keyboard().getErrorCode();
    return ((code >> 12) & 0xF) * 1000 + ((code >> 8) & 0xF) * 100 + ((code >> 4) & 0xF) * 10 + (code & 0xF);
  }
  unsigned char aid() { return display.readMgr().lastActivatedAid(); }
  unsigned char at(unsigned int offset) { return psBuffer[offset]; }
  // The field's read data.
  Bytes read(SelectionField* f) {
    unsigned char out[16] = {};
    const int n = f->readFieldMDTFormat(&display, out, sizeof out);
    return Bytes(out, out + n);
  }
};

TEST(SelectionFieldKeys, CursorMovesAmongChoices) {
  struct Case {
    const char* name;
    unsigned int from;
    Key key;
    unsigned int to;
  };
  const unsigned int S = Screen::kApple, B = Screen::kBanana, C = Screen::kCherry;
  const unsigned int M1 = Screen::kOne, M2 = Screen::kTwo, M4 = Screen::kFour;
  const unsigned int F = Screen::kFile, E = Screen::kEdit, V = Screen::kView;
  const Case cases[] = {
      {"down to the next choice of a list", S, Key::kDown, B},
      {"down from the last choice wraps to the first", C, Key::kDown, S},
      {"up from the first choice wraps to the last", S, Key::kUp, C},
      {"right in a list is the next choice", S, Key::kRight, B},
      {"left in a list from the first wraps to the last", S, Key::kLeft, C},
      {"character advance to the next choice", B, Key::kCharAdvance, C},
      {"character advance past the last choice: the next field", C, Key::kCharAdvance, M1},
      {"character backspace to the previous choice", B, Key::kCharBackspace, S},
      {"field advance leaves the list", S, Key::kFieldAdvance, M1},
      {"field exit acts as field advance", B, Key::kFieldExit, M1},
      {"down in columns skips the choice that takes no cursor", M1, Key::kDown, M2},
      {"down in the last column wraps to the first", M4, Key::kDown, M1},
      {"up in the first column goes to the last column", M1, Key::kUp, M4},
      {"right to the next choice of the row", M1, Key::kRight, M2},
      {"field backspace goes to the first choice", M4, Key::kFieldBackspace, M1},
      {"field backspace from the first choice: the field before", M1, Key::kFieldBackspace, S},
      {"right along the menu bar", F, Key::kRight, E},
      {"left along the menu bar", V, Key::kLeft, E},
      {"right past the last choice of the bar leaves it", V, Key::kRight, V + 4 + 1},
      {"left past the first choice of the bar leaves it", F, Key::kLeft, F - 2},
      {"down from the bar is a screen move", E, Key::kDown, E + 80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Screen s;
    s.place(c.from);
    s.press(c.key);
    EXPECT_EQ(s.error(), 0u);
    EXPECT_EQ(s.cursor(), c.to);
  }
}

TEST(SelectionFieldKeys, SelectingInASingleChoiceListDeselectsTheOther) {
  Screen s;
  SelectionField* f = s.list();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(s.read(f), Bytes({0x00, 0x00})) << "nothing selected";
  s.place(Screen::kApple);
  s.type(' ');
  EXPECT_TRUE(f->choice(0)->isSelected());
  EXPECT_TRUE(f->isModified());
  // The cursor is on the selected choice: the cursor-on selected attribute.
  EXPECT_EQ(s.at(Screen::kApple - 1), f->indicator(1));
  s.press(Key::kDown);
  EXPECT_EQ(s.at(Screen::kApple - 1), f->indicator(4)) << "selected, cursor gone";
  EXPECT_EQ(s.at(Screen::kBanana - 1), f->indicator(0)) << "available, cursor on";
  s.type('/');
  EXPECT_FALSE(f->choice(0)->isSelected());
  EXPECT_TRUE(f->choice(1)->isSelected());
  EXPECT_EQ(s.at(Screen::kApple - 1), f->indicator(3));
  EXPECT_EQ(s.read(f), Bytes({0x00, 0x21}));
  // A slash on a selected choice leaves it; a blank deselects it.
  s.type('/');
  EXPECT_TRUE(f->choice(1)->isSelected());
  s.type(' ');
  EXPECT_FALSE(f->choice(1)->isSelected());
  EXPECT_EQ(s.read(f), Bytes({0x00, 0x00}));
  EXPECT_EQ(s.error(), 0u);
  EXPECT_EQ(s.aid(), 0) << "no auto-enter";
}

TEST(SelectionFieldKeys, MnemonicsAndOperatorErrors) {
  struct Case {
    const char* name;
    unsigned int from;
    char typed;
    Key key;
    unsigned int error;
    unsigned int cursor;
    int selected;  // the choice of the list then selected, -1 none
  };
  const Key kNone = Key::kDelete;  // a typed character instead
  const Case cases[] = {
      {"mnemonic selects and moves the cursor", Screen::kApple, 'b', kNone, 0, Screen::kBanana, 1},
      {"mnemonic of an unavailable choice", Screen::kApple, 'c', kNone, 84, Screen::kCherry, -1},
      {"no choice has the mnemonic", Screen::kApple, 'z', kNone, 83, Screen::kApple, -1},
      {"blank on an unavailable choice", Screen::kCherry, ' ', kNone, 84, Screen::kCherry, -1},
      {"field mark", Screen::kApple, 0, Key::kFieldMark, 82, Screen::kApple, -1},
      {"enter in a list sends the field, selects nothing", Screen::kApple, 0, Key::kEnter, 0, Screen::kApple, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Screen s;
    s.place(c.from);
    if (c.typed)
      s.type(c.typed);
    else
      s.press(c.key);
    EXPECT_EQ(s.error(), c.error);
    EXPECT_EQ(s.cursor(), c.cursor);
    SelectionFieldChoice* chosen = s.list()->getFirstSelectedChoice();
    EXPECT_EQ(chosen ? static_cast<int>(chosen - s.list()->choice(0)) : -1, c.selected);
  }
}

// The operations of the field tree that a selection field answers itself:
// the keys that mean nothing among choices (error 82, the shaping keys
// too), End, New Line, Home and the cursor placed on its choice before an
// AID goes to the host.
TEST(SelectionFieldKeys, FieldTreeOperationsOnChoices) {
  struct Case {
    const char* name;
    unsigned int from;
    FunctionWord key;
    unsigned int cursor, error;
    unsigned char aid;
  };
  const FunctionWord kDup{2, 4}, kEraseEOF{3, 10}, kClose{3, 5}, kCursorSelect{3, 12}, kEnd{1, 17},
      kNewLine{1, 1}, kHome{1, 13}, kEnter{6, 4}, kShapeBase{3, 7}, kShapeInitial{3, 18}, kShapeFinal{3, 20};
  const unsigned int A = Screen::kApple, B = Screen::kBanana, C = Screen::kCherry;
  const Case cases[] = {
      {"dup", A, kDup, A, 82, 0},
      {"erase EOF", A, kEraseEOF, A, 82, 0},
      {"close", A, kClose, A, 82, 0},
      {"cursor select", A, kCursorSelect, A, 82, 0},
      {"shaping base key", A, kShapeBase, A, 82, 0},
      {"shaping initial key", A, kShapeInitial, A, 82, 0},
      {"shaping final key", A, kShapeFinal, A, 82, 0},
      {"end: the last choice that takes the cursor", Screen::kOne, kEnd, Screen::kFour, 0, 0},
      {"end in a single-choice list", A, kEnd, C, 0, 0},
      {"new line: the next row's choice", A, kNewLine, B, 0, 0},
      {"new line passes a choice on the same row", Screen::kOne, kNewLine, Screen::kFour, 0, 0},
      {"new line from the last choice: the next field", C, kNewLine, Screen::kOne, 0, 0},
      {"home from another choice goes home", A, kHome, B, 0, 0},
      {"home on the home choice: record backspace", B, kHome, B, 0, 0xF8},
      {"home from inside the home choice", B + 3, kHome, B, 0, 0xF8},
      {"an AID puts the cursor on its choice's start", B + 3, kEnter, B, 0, 0xF1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Screen s;
    s.display.cursor().setHomePosition(Screen::kBanana);
    s.place(c.from);
    FunctionWord w = c.key;
    s.display.inObjGen().processKeystrokeEvent(&s.display, &w);
    EXPECT_EQ(s.error(), c.error);
    EXPECT_EQ(s.cursor(), c.cursor);
    EXPECT_EQ(s.aid(), c.aid);
    EXPECT_EQ(s.list()->getFirstSelectedChoice(), nullptr) << "no key here selects";
  }
}

// Erase Input takes the selections back; a list with auto-enter on
// deselection names its AID, which goes to the host instead of the cursor
// going home.
TEST(SelectionFieldKeys, EraseInputDeselectsAndMayNameAnAid) {
  const FunctionWord kEraseInput{3, 3};
  for (unsigned char flags : {0x00, 0x08}) {
    SCOPED_TRACE(static_cast<int>(flags));
    Screen s(flags);
    s.display.cursor().setHomePosition(Screen::kOne);
    s.place(Screen::kBanana);
    s.type('/');
    if (flags) {
      ASSERT_EQ(s.aid(), 0xF1) << "the selection itself sent the AID";
      s.keyboard().enterNormalUnlockState();
      s.display.readMgr().setReadPending(1);
    }
    ASSERT_NE(s.list()->getFirstSelectedChoice(), nullptr);
    const unsigned char before = s.aid();
    FunctionWord w = kEraseInput;
    s.display.inObjGen().processKeystrokeEvent(&s.display, &w);
    EXPECT_EQ(s.error(), 0u);
    EXPECT_EQ(s.list()->getFirstSelectedChoice(), nullptr);
    if (flags) {
      EXPECT_EQ(s.display.readMgr().activations(), 2u) << "the deselection went to the host";
      EXPECT_EQ(s.read(s.list()), Bytes({0x00, 0x00}));
      EXPECT_EQ(s.cursor(), Screen::kBanana);
    } else {
      EXPECT_EQ(s.aid(), before);
      EXPECT_FALSE(s.list()->isModified());
      EXPECT_EQ(s.cursor(), Screen::kOne) << "home";
    }
  }
}

// Reset in the normal state runs the area's reset: a selection field puts
// the cursor back on the start of its choice.
TEST(SelectionFieldKeys, ResetPutsTheCursorOnItsChoice) {
  Screen s;
  s.place(Screen::kBanana + 3);
  FunctionWord w{4, 1};
  s.display.inObjGen().processKeystrokeEvent(&s.display, &w);
  EXPECT_EQ(s.error(), 0u);
  EXPECT_EQ(s.cursor(), Screen::kBanana);
}

TEST(SelectionFieldKeys, MultipleChoiceSelectAndDelete) {
  Screen s;
  SelectionField* f = s.multiple();
  s.place(Screen::kOne);
  s.type('/');
  s.press(Key::kRight);
  s.press(Key::kRight);  // the choice that takes no cursor is passed
  EXPECT_EQ(s.cursor(), Screen::kFour);
  s.type(' ');
  EXPECT_EQ(s.read(f), Bytes({0xF1, 0x00, 0x00, 0xF1}));
  s.press(Key::kDelete);
  EXPECT_EQ(s.read(f), Bytes({0xF1, 0x00, 0x00, 0x00}));
}

TEST(SelectionFieldKeys, EnterSelectsAMenuBarChoiceAndSendsItsAid) {
  Screen s;
  SelectionField* f = s.menu();
  s.place(Screen::kEdit);
  s.press(Key::kEnter);
  EXPECT_EQ(s.error(), 0u);
  EXPECT_EQ(s.aid(), 0xF1);
  EXPECT_TRUE(f->choice(1)->isSelected());
  EXPECT_TRUE(f->isModified());
  EXPECT_EQ(s.read(f), Bytes({0x00, 0x21}));
}

TEST(SelectionFieldKeys, AutoEnterPostsTheAidOnSelection) {
  // Flag byte 1 0x04: auto-enter on selection.
  Screen s(0x04);
  SelectionField* f = s.list();
  s.place(Screen::kBanana);
  s.type('a');
  EXPECT_EQ(s.error(), 0u);
  EXPECT_EQ(s.cursor(), Screen::kApple);
  EXPECT_TRUE(f->choice(0)->isSelected());
  EXPECT_EQ(s.aid(), 0xF1);
}

TEST(SelectionFieldKeys, IndicatorCharactersFollowTheSelection) {
  // Parameter 0x02: an indicator column left of the list.
  Screen s(0x00, 0x02);
  SelectionField* f = s.list();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->selectionType(), SelectionField::kTypeIndicator);
  EXPECT_EQ(s.at(Screen::kApple - 2), f->deselectedCharacter());
  s.place(Screen::kApple);
  s.type(' ');
  EXPECT_EQ(s.at(Screen::kApple - 2), f->selectedCharacter());
  s.type('b');
  EXPECT_EQ(s.at(Screen::kApple - 2), f->deselectedCharacter());
  EXPECT_EQ(s.at(Screen::kBanana - 2), f->selectedCharacter());
  EXPECT_NE(f->selectedCharacter(), f->deselectedCharacter());
}

// A list that scrolls, with numbers typed into its entry position, on a
// character display (numeric selection is for those only).
TEST(SelectionFieldKeys, NumericSelectionInAListThatScrolls) {
  DisplayCharacteristics c;
  c.word[0] &= ~0x00400000u;  // no GUI
  DsmStation s(c);
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  // Parameter 0x84: one entry position; 4 rows shown of 10, the slider at
  // row 0. The minors follow the total and the slider position.
  Bytes sf = Definition(0x21, 10, 4, 1,
                        Join({ChoiceText(0x01, {0xF1}, "Apple"), ChoiceText(0x01, {0xF2}, "Banana"),
                              ChoiceText(0x01, {0xF3}, "Cherry"), ChoiceText(0x81, {0xF4}, "Damson")}),
                        0x00, 0, 0x84);
  sf[5] = 0x80;  // flag byte 2: scrolls
  const Bytes rows = {0, 0, 0, 10, 0, 0, 0, 0};
  sf.insert(sf.begin() + 20, rows.begin(), rows.end());
  sf[0] = static_cast<unsigned char>(sf.size() >> 8);
  sf[1] = static_cast<unsigned char>(sf.size());
  Record r;
  r.wtd(0, 0x08);
  Place(r, 5, 10, sf);
  r.ic(5, 11);
  ASSERT_EQ(s.run(r), 0u);
  s.display.readMgr().setReadPending(1);
  Field* f = s.table().firstRecord();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->getFieldClassID(), kSelectionField);
  auto* list = static_cast<SelectionField*>(f);
  ASSERT_EQ(list->selectionType(), SelectionField::kTypeNumeric1);
  // The bar right of the choices: attribute, arrow and ending attribute.
  Field* bar = s.table().nextRecord(f);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->getFieldClassID(), kVerticalScrollBar);
  EXPECT_EQ(s.table().validateFormatTable(nullptr), 0);
  const unsigned int first = s.offset(5, 11), entry = first - 2;
  EXPECT_EQ(s.screen(first, 7), Cp037("1.Apple"));
  EXPECT_EQ(s.screen(entry, 1), Cp037(" "));

  const auto type = [&](char ch) {
    AlphaKeystroke key(FunctionWord{13, Cp037(std::string(1, ch))[0]});
    s.display.processUserInputObject(&key);
  };
  const auto error = [&]() {
    const KeyboardState::State st = s.keyboard().state();
    return st == KeyboardState::kError || st == KeyboardState::kPostHelpError;
  };
  type('3');
  EXPECT_FALSE(error());
  EXPECT_TRUE(list->choice(2)->isSelected());
  EXPECT_EQ(s.display.cursor().getCursorOffset(), s.offset(7, 11));
  EXPECT_EQ(s.screen(entry, 1), Cp037("3"));
  // Read data: the single choice, then the scroll bar's increment.
  unsigned char out[16] = {};
  ASSERT_EQ(list->readFieldMDTFormat(&s.display, out, sizeof out), 6);
  EXPECT_EQ(Bytes(out, out + 6), Bytes({0x00, 0x22, 0, 0, 0, 0}));
  // A number no choice has; an unavailable choice.
  type('9');
  EXPECT_TRUE(error());
  s.keyboard().exitErrorState();
  type('4');
  EXPECT_EQ(s.display.cursor().getCursorOffset(), s.offset(8, 11)) << "the cursor goes to it";
  EXPECT_FALSE(list->choice(3)->isSelected());
}

}  // namespace
