// Selection fields through the loopback TN5250 host: the host defines a
// single-choice list, a multiple-choice list and a menu bar and reads the
// modified fields; the operator selects by mnemonic and by the slash, and
// Enter brings back the inbound record byte for byte.
#include <gtest/gtest.h>

#include "display/SelectionField.h"
#include "keyboard/AidKeystrokes.h"
#include "keyboard/KeystrokeClasses.h"
#include "tests/datastream/LoopbackSession.h"

namespace {

using namespace glue_test;

Bytes ChoiceText(int flags1, const Bytes& items, const std::string& text, int flags2 = 0) {
  const Bytes t = Ebcdic(text);
  return Cat({B({int(5 + items.size() + t.size()), 0x10, flags1, flags2, 0xE0}), items, t});
}

// The write to display structured field order with a define selection
// field structure: type, text size, rows, columns, padding, the device
// parameter 0xF2 (no indicator column, mnemonics) and its minors.
Bytes DefineSelectionField(int type, int textSize, int rows, int columns, const Bytes& minors, int flags1 = 0,
                           int padding = 0) {
  const size_t n = 20 + minors.size();
  return Cat({B({0x15, int(n >> 8), int(n & 0xFF), 0xD9, 0x50, flags1, 0, 0, type, 0xF2, 0xF2, 0xF2, 0, 0,
                 textSize, rows, columns, padding, 0, 0, 0}),
              minors});
}

void Key(DisplayBag& d, UserInput&& key) { d.processUserInputObject(&key); }
void Type(DisplayBag& d, uint8_t code) { Key(d, AlphaKeystroke(FunctionWord{10, code})); }

TEST(SelectionFieldLoopback, SelectionsComeBackInTheInboundRecord) {
  Loopback l;
  DisplayBag& d = l.display();
  const Bytes list = DefineSelectionField(
      0x21, 6, 3, 1,
      Cat({ChoiceText(0x08, B({0}), "Apple"), ChoiceText(0x08, B({0}), "Banana"), ChoiceText(0x08, B({0}), "Cherry")}));
  const Bytes multiple = DefineSelectionField(
      0x12, 4, 2, 2,
      Cat({ChoiceText(0, {}, "One"), ChoiceText(0, {}, "Two"), ChoiceText(0, {}, "Six"), ChoiceText(0, {}, "Four")}));
  const Bytes menu = DefineSelectionField(
      0x01, 4, 1, 2, Cat({ChoiceText(0x08, B({0}), "File"), ChoiceText(0x08, B({0}), "Edit")}), 0, 1);
  const Bytes screen = Cat({B({0x04, 0x40}),
                            WriteToDisplay(Cat({SetBufferAddress(5, 10), list, SetBufferAddress(10, 10), multiple,
                                                SetBufferAddress(15, 10), menu, B({0x13, 5, 11})})),
                            B({0x04, 0x52, 0x00, 0x08})});
  l.Send(Record(0x03, screen, 0, 0x40));
  EXPECT_TRUE(l.Pending().empty()) << "the definitions are accepted";
  ASSERT_EQ(d.formatTable().fieldCount(), 3u);
  EXPECT_EQ(d.cursor().getCursorOffset(), 4u * 80 + 10);
  ASSERT_EQ(d.keyboardState().state(), KeyboardState::kNormalUnlocked);

  // "b" picks Banana by its mnemonic; in the other list "/" on One and on
  // Four (the cursor keys pass Two and Six).
  Type(d, 0x82);
  EXPECT_EQ(d.cursor().getCursorOffset(), 5u * 80 + 10);
  Key(d, FieldAdvanceKeystroke());
  EXPECT_EQ(d.cursor().getCursorOffset(), 9u * 80 + 10);
  Type(d, 0x61);
  Key(d, CursorRightKeystroke());
  Key(d, CursorRightKeystroke());
  Key(d, CursorRightKeystroke());
  Type(d, 0x61);
  EXPECT_EQ(d.cursor().getCursorOffset(), 10u * 80 + 16);
  Key(d, EnterKeystroke());

  // Row, column, AID, then each modified field after an SBA to its first
  // choice: the single-choice list as 0x00 and 0x20 plus the index of the
  // selection, the multiple-choice list as one byte per choice. The menu
  // bar was not touched and is left out.
  const Bytes body = Cat({B({11, 17, 0xF1}), SetBufferAddress(5, 11), B({0x00, 0x21}), SetBufferAddress(10, 11),
                          B({0xF1, 0x00, 0x00, 0xF1})});
  EXPECT_EQ(l.Next(), Cat({Header(0x03, body.size(), 0, 0x40), body}));
  EXPECT_TRUE(l.Pending().empty());
}

TEST(SelectionFieldLoopback, MenuBarChoiceTakenByEnterWithItsAid) {
  Loopback l;
  DisplayBag& d = l.display();
  // Flag byte 1 0x06: choices carry AIDs, auto-enter on selection. Edit
  // carries AID 0xF3 (F3).
  const Bytes menu = DefineSelectionField(
      0x01, 4, 1, 2, Cat({ChoiceText(0x08, B({0}), "File"), ChoiceText(0x0C, B({0, 0xF3}), "Edit")}), 0x06, 1);
  l.Send(Record(0x03, Cat({B({0x04, 0x40}), WriteToDisplay(Cat({SetBufferAddress(1, 2), menu, B({0x13, 1, 10})})),
                           B({0x04, 0x52, 0x00, 0x08})}),
                0, 0x40));
  EXPECT_TRUE(l.Pending().empty());
  Key(d, EnterKeystroke());
  // A function-key AID brings no field data.
  const Bytes body = B({1, 10, 0xF3});
  EXPECT_EQ(l.Next(), Cat({Header(0x03, body.size(), 0, 0x40), body}));
  auto* f = static_cast<SelectionField*>(d.formatTable().firstRecord());
  EXPECT_TRUE(f->choice(1)->isSelected());
  EXPECT_TRUE(f->isModified());
}

}  // namespace
