// Enter through the display station of a headless session on the loopback
// TN5250 host: the host builds its screen with start fields, the operator's
// data goes into the fields, and Enter brings back the inbound record of
// the host's read.
#include <gtest/gtest.h>

#include "display/EntryField.h"
#include "keyboard/UserInput.h"
#include "tests/datastream/LoopbackSession.h"

namespace {

using namespace glue_test;

// The Enter key as the station dispatches it: in the normal unlocked state
// it posts its AID, and the read starts after the dispatch.
class PostedEnter : public AidKeystroke {
 public:
  PostedEnter() : AidKeystroke(0xF1) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override {
    d->postAidCode(static_cast<AidCode>(aid_));
    return 0;
  }
};

// SF with an FFW, FCWs, attribute 0x20 (0x24 for the first) and a length.
Bytes StartField(int ffw1, int ffw2, const Bytes& fcws, int length, int attribute = 0x20) {
  return Cat({B({0x1D, ffw1, ffw2}), fcws, B({attribute, length >> 8, length & 0xFF})});
}

EntryField* FieldAt(DisplayBag& d, int row, int column) {
  Field* f = d.formatTable().getFieldByStartOffset((row - 1) * 80 + column - 1);
  return f && f->isEntryField() ? static_cast<EntryField*>(f) : nullptr;
}

// Types `text` into a field through its write operation, as the operator's
// keys leave it: the data and the modified-data tag.
void Type(DisplayBag& d, EntryField* f, const Bytes& text) {
  ASSERT_EQ(f->writeData(&d, text.data(), static_cast<unsigned int>(text.size())), 0);
  f->setFlags(Field::kMDT);
}

void Enter(Loopback& l) {
  DisplayBag& d = l.display();
  PostedEnter enter;
  d.processUserInputObject(&enter);
}

TEST(EnterLoopbackTest, SignOnScreenAndEnterSendTheExactRecords) {
  Loopback l;
  DisplayBag& d = l.display();
  // The sign-on screen: Clear Unit, then a Write to Display with a title, a
  // prompt and its input field (row 6, columns 53 to 62), the insert cursor
  // in the field, and read MDT fields.
  const Bytes signOn = Cat({B({0x04, 0x40}),
                            WriteToDisplay(Cat({SetBufferAddress(1, 36), Ebcdic("Sign On"), SetBufferAddress(6, 17),
                                                Ebcdic("User  . . . . ."), SetBufferAddress(6, 52),
                                                StartField(0x40, 0x20, {}, 10, 0x24), SetBufferAddress(7, 17),
                                                Ebcdic("Password  . . ."), SetBufferAddress(7, 52),
                                                StartField(0x40, 0x00, {0x84, 0x00}, 10, 0x27),
                                                B({0x13, 6, 53})})),
                            B({0x04, 0x52, 0x00, 0x08})});
  l.Send(Record(0x03, signOn, 0, 0x40));
  EXPECT_TRUE(l.Pending().empty()) << "the operator answers the sign-on record";
  ASSERT_TRUE(d.readMgr().queryReadPending());

  // The presentation space, the attributes and the format table.
  const Bytes& ps = l.station->psBuffer;
  EXPECT_EQ(Bytes(ps.begin() + 35, ps.begin() + 42), Ebcdic("Sign On"));
  EXPECT_EQ(ps[5 * 80 + 51], 0x24);
  EXPECT_EQ(ps[5 * 80 + 62], 0x20) << "the ending attribute";
  EXPECT_EQ(ps[6 * 80 + 51], 0x27);
  EXPECT_EQ(ps[6 * 80 + 62], 0x20);
  ASSERT_EQ(d.formatTable().fieldCount(), 2u);
  EntryField* user = FieldAt(d, 6, 53);
  EntryField* password = FieldAt(d, 7, 53);
  ASSERT_NE(user, nullptr);
  ASSERT_NE(password, nullptr);
  EXPECT_EQ(user->getLastSegmentPtr()->end, 5u * 80 + 61);
  EXPECT_TRUE(user->formatByte(0) & 0x08) << "monocase";
  EXPECT_TRUE(password->isTransparent());
  EXPECT_EQ(d.cursor().getCursorOffset(), 5u * 80 + 52);
  EXPECT_EQ(d.keyboardState().state(), KeyboardState::kNormalUnlocked);

  Type(d, user, Ebcdic("QSECOFR"));
  Type(d, password, Ebcdic("PW"));
  d.cursor().detachCursorFromArea();
  d.cursor().initializeCursorToArea(5 * 80 + 59, 0, CursorOffsetAsShown);
  Enter(l);
  // Row, column, AID, then each modified field after an SBA: the user
  // field without its trailing nulls, the transparent password field as
  // 0x10 and a two-byte length before its ten bytes, nulls included.
  const Bytes body = Cat({B({6, 60, 0xF1}), SetBufferAddress(6, 53), Ebcdic("QSECOFR"), SetBufferAddress(7, 53),
                          B({0x10, 0x00, 0x0A}), Ebcdic("PW"), Bytes(8, 0x00)});
  EXPECT_EQ(l.Next(), Cat({Header(0x03, body.size(), 0, 0x40), body}));
  EXPECT_FALSE(d.readMgr().queryReadPending());
  // The read's control characters run after the record: they must not send
  // the AID a second time.
  EXPECT_TRUE(l.Pending().empty());
}

TEST(EnterLoopbackTest, EveryFieldKindComesBackInEachReadFormat) {
  // Alphanumeric, numeric only, signed numeric, mandatory entry and a
  // word-wrap field continued over two rows.
  const Bytes screen =
      Cat({B({0x04, 0x40}),
           WriteToDisplay(Cat({SetBufferAddress(3, 10), StartField(0x40, 0x00, {}, 8),
                               SetBufferAddress(4, 10), StartField(0x43, 0x00, {}, 5),
                               SetBufferAddress(5, 10), StartField(0x47, 0x00, {}, 6),
                               SetBufferAddress(6, 10), StartField(0x40, 0x08, {}, 4),
                               SetBufferAddress(7, 70), StartField(0x40, 0x00, {0x86, 0x80, 0x86, 0x01}, 10),
                               SetBufferAddress(8, 1), StartField(0x40, 0x00, {0x86, 0x02}, 10)}))});
  struct Format {
    const char* name;
    int command;
  };
  const Format formats[] = {{"read MDT fields", 0x52}, {"read MDT alternate", 0x82}, {"read input fields", 0x42}};
  for (const Format& fmt : formats) {
    SCOPED_TRACE(fmt.name);
    Loopback l;
    DisplayBag& d = l.display();
    l.Send(Record(0x03, Cat({screen, B({0x04, fmt.command, 0x00, 0x08})}), 0, 0x40));
    const std::vector<Bytes> answers = l.Pending();
    ASSERT_TRUE(answers.empty()) << testing::PrintToString(answers);
    FormatTable& t = d.formatTable();
    ASSERT_EQ(t.fieldCount(), 5u);
    EntryField* alpha = FieldAt(d, 3, 11);
    EntryField* numeric = FieldAt(d, 4, 11);
    EntryField* sign = FieldAt(d, 5, 11);
    EntryField* mandatory = FieldAt(d, 6, 11);
    EntryField* wrap = FieldAt(d, 7, 71);
    ASSERT_TRUE(alpha && numeric && sign && mandatory && wrap);
    EXPECT_EQ(alpha->getFieldClassID(), kLTRField);
    EXPECT_EQ(numeric->shiftType(), 3u);
    EXPECT_EQ(sign->getFieldClassID(), kSignedNumericField);
    EXPECT_EQ(mandatory->checkMandatoryEntry(), 7);
    EXPECT_EQ(wrap->getFieldClassID(), kWordWrapField);
    EXPECT_EQ(wrap->segmentCount(), 2u);
    EXPECT_EQ(wrap->getTotalFieldSize(), 20u);

    Type(d, alpha, Ebcdic("AB"));
    Type(d, numeric, Ebcdic("12"));
    // A negative 42: the digits through the writer (which keeps the sign
    // position out of the text), the minus sign as Field Minus leaves it.
    Type(d, sign, Ebcdic("00042"));
    d.presentationSpace().writeCharacter(sign->getFirstPartEnd(), 0x60);
    Type(d, mandatory, Ebcdic("X"));
    Type(d, wrap, Ebcdic("THE QUICK BROWN"));
    d.cursor().detachCursorFromArea();
    d.cursor().initializeCursorToArea(2 * 80 + 10, 0, CursorOffsetAsShown);
    Enter(l);

    const Bytes negative = Cat({Ebcdic("0004"), B({0xD2})});
    // The word-wrap field holds "THE QUICK " on row 7 and "BROWN" on row 8;
    // its reads give the text without the nulls between.
    Bytes body = B({3, 11, 0xF1});
    if (fmt.command == 0x42) {
      body = Cat({body, Ebcdic("AB"), Bytes(6, 0x40), Ebcdic("12"), Bytes(3, 0x40), negative, Ebcdic("X"),
                  Bytes(3, 0x40), Ebcdic("THE QUICK BROWN"), Bytes(5, 0x40)});
    } else {
      body = Cat({body, SetBufferAddress(3, 11), Ebcdic("AB"), SetBufferAddress(4, 11), Ebcdic("12"),
                  SetBufferAddress(5, 11), negative, SetBufferAddress(6, 11), Ebcdic("X"),
                  SetBufferAddress(7, 71), Ebcdic("THE QUICK BROWN")});
    }
    EXPECT_EQ(l.Next(), Cat({Header(0x03, body.size(), 0, 0x40), body}));
  }
}

TEST(EnterLoopbackTest, QueriesAreAnsweredAndUnknownStructuredFieldsRefused) {
  Loopback l;
  l.Send(Record(0x03, B({0x04, 0xF3, 0x00, 0x05, 0xD9, 0x70, 0x00})));
  const Bytes q = l.Next();
  ASSERT_EQ(q.size(), 10u + 71u);
  EXPECT_EQ(Bytes(q.begin() + 10, q.begin() + 17), B({0x00, 0x00, 0x88, 0x00, 0x44, 0xD9, 0x70}));
  l.Send(Record(0x03, B({0x04, 0xF3, 0x00, 0x06, 0xD9, 0x72, 0x00, 0x00})));
  const Bytes qss = l.Next();
  EXPECT_EQ(Bytes(qss.begin() + 10, qss.end()), B({0x00, 0x00, 0x88, 0x00, 0x09, 0xD9, 0x72, 0x80, 0x00, 0x03, 0x01, 0x04}));
  // An unknown type gets its negative response.
  l.Send(Record(0x03, B({0x04, 0xF3, 0x00, 0x05, 0xD9, 0x7E, 0x00})));
  EXPECT_EQ(l.Next(), Cat({Header(0x03, 4, 0x80, 0), B({0x10, 0x05, 0x01, 0x11})}));
}

}  // namespace
