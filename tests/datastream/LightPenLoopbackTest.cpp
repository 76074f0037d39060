// The light pen through the loopback TN5250 host: the host defines
// light-pen fields (field control word 81 02) showing "?"; a pen selection
// shows ">" and sets MDT, a second one takes it back, and an auto-enter
// light-pen field sends AID 0x3F with its data. Pens off the screen or on
// other fields change nothing; in system request the pen places the cursor.
#include <gtest/gtest.h>

#include "display/EntryField.h"
#include "tests/datastream/LoopbackSession.h"

namespace {

using namespace glue_test;

constexpr uint8_t kQuestion = 0x6F;
constexpr uint8_t kGreater = 0x6E;

// A start field with FFW (0x40, ffw2), the light-pen control word when
// asked, a normal attribute and `length` positions.
Bytes StartField(int ffw2, bool pen, int length) {
  Bytes b = B({0x1D, 0x40, ffw2});
  if (pen) b = Cat({b, B({0x81, 0x02})});
  return Cat({b, B({0x20, 0, length})});
}

struct PenScreen {
  Loopback l;
  DisplayBag& d = l.display();
  // Field data start offsets (the attribute sits one before).
  static constexpr unsigned int kAutoEnter = 4 * 80 + 10;  // row 5, column 11
  static constexpr unsigned int kPlainPen = 7 * 80 + 10;   // row 8
  static constexpr unsigned int kNoPen = 11 * 80 + 10;     // row 12

  PenScreen() {
    const Bytes orders = Cat({SetBufferAddress(5, 10), StartField(0x80, true, 5), B({kQuestion}),
                              SetBufferAddress(8, 10), StartField(0x00, true, 5), B({kQuestion}),
                              SetBufferAddress(12, 10), StartField(0x00, false, 5), Ebcdic("AB"),
                              B({0x13, 12, 11})});
    l.Send(Record(0x03, Cat({B({0x04, 0x40}), WriteToDisplay(orders), B({0x04, 0x52, 0x00, 0x08})}), 0, 0x40));
    EXPECT_TRUE(l.Pending().empty()) << "the screen is accepted";
    EXPECT_EQ(d.formatTable().fieldCount(), 3u);
    EXPECT_EQ(d.keyboardState().state(), KeyboardState::kNormalUnlocked);
  }
  void Pen(unsigned int row, unsigned int column) { d.inObjGen().processLightPenEvent(&d, row, column); }
  uint8_t At(unsigned int offset) { return d.presentationSpace().getCharacter(offset); }
  Field* FieldAt(unsigned int offset) { return d.formatTable().getField(offset); }
};

TEST(LightPenLoopback, PenTogglesALightPenFieldAndSendsNothing) {
  PenScreen s;
  Field* pen = s.FieldAt(PenScreen::kPlainPen);
  ASSERT_NE(pen, nullptr);
  EXPECT_EQ(s.At(PenScreen::kPlainPen), kQuestion);
  EXPECT_FALSE(pen->isModified());

  s.Pen(8, 13);  // anywhere in the field
  EXPECT_EQ(s.At(PenScreen::kPlainPen), kGreater);
  EXPECT_TRUE(pen->isModified());
  s.Pen(8, 11);
  EXPECT_EQ(s.At(PenScreen::kPlainPen), kQuestion);
  EXPECT_FALSE(pen->isModified());

  // A field without the light-pen control word, the output area and
  // positions off the screen (the record's row and column bits reach 31
  // and 127) are not touched.
  const Bytes before(s.l.station->psBuffer.begin(), s.l.station->psBuffer.begin() + 1920);
  for (auto rc : {std::pair<unsigned, unsigned>{12, 11}, {1, 1}, {0, 5}, {5, 0}, {25, 1}, {31, 127}, {24, 81}})
    s.Pen(rc.first, rc.second);
  EXPECT_EQ(Bytes(s.l.station->psBuffer.begin(), s.l.station->psBuffer.begin() + 1920), before);
  EXPECT_FALSE(s.FieldAt(PenScreen::kNoPen)->isModified());
  EXPECT_EQ(s.d.keyboardState().state(), KeyboardState::kNormalUnlocked);
  EXPECT_TRUE(s.l.Pending().empty());
}

TEST(LightPenLoopback, AutoEnterLightPenFieldSendsCursorSelect) {
  PenScreen s;
  s.Pen(8, 12);  // the other light-pen field, modified, goes along
  s.Pen(5, 12);
  EXPECT_EQ(s.At(PenScreen::kAutoEnter), kGreater);
  // Cursor row and column, AID 0x3F, then each modified field after an SBA
  // to its first position (trailing nulls left out).
  const unsigned int cursor = s.d.cursor().getCursorOffset();
  const Bytes body = Cat({B({int(cursor / 80 + 1), int(cursor % 80 + 1), 0x3F}), SetBufferAddress(5, 11),
                          B({kGreater}), SetBufferAddress(8, 11), B({kGreater})});
  EXPECT_EQ(s.l.Next(), Cat({Header(0x03, body.size(), 0, 0x40), body}));
  EXPECT_TRUE(s.l.Pending().empty());
}

TEST(LightPenLoopback, SystemRequestPenPlacesTheCursorWithTheCorrection) {
  PenScreen s;
  ASSERT_TRUE(s.d.keyboardState().enterSystemRequestState());
  // The system request line is one field over the last row; the pen places
  // the cursor there and changes no data.
  s.Pen(24, 30);
  EXPECT_EQ(s.d.cursor().getCursorOffset(), 23u * 80 + 29);
  // The station's correction moves the tip left, never past its row's start.
  s.d.lightPenCorrection() = 5;
  s.Pen(24, 30);
  EXPECT_EQ(s.d.cursor().getCursorOffset(), 23u * 80 + 24);
  s.Pen(24, 3);
  EXPECT_EQ(s.d.cursor().getCursorOffset(), 23u * 80);
  s.Pen(40, 3);  // off the screen: the cursor stays
  EXPECT_EQ(s.d.cursor().getCursorOffset(), 23u * 80);
  EXPECT_TRUE(s.l.Pending().empty());
}

}  // namespace
