// Right-to-left screens through the display station of a headless session
// on the loopback TN5250 host, with an Arabic keyboard: the host makes a
// right-to-left field, the operator types Arabic letters and digits into it
// with shaping, and the read brings the field back byte for byte; the same
// on a reversed screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <new>
#include <string>

#include "display/ASD.h"
#include "display/EntryField.h"
#include "keyboard/UserInput.h"
#include "keyboard/XlateTable.h"
#include "tests/datastream/LoopbackSession.h"
#include "tests/keyboard/KeyStation.h"

namespace {

using namespace glue_test;

class PostedEnter : public AidKeystroke {
 public:
  PostedEnter() : AidKeystroke(0xF1) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override {
    d->postAidCode(static_cast<AidCode>(aid_));
    return 0;
  }
};

Bytes StartField(int ffw1, int ffw2, int length, int attribute = 0x20) {
  return B({0x1D, ffw1, ffw2, attribute, length >> 8, length & 0xFF});
}

// The loopback session with its translator on an Arabic right-to-left
// keyboard table.
struct ArabicLoopback : Loopback {
  ArabicLoopback() : registry(BuiltInXlateTables()) {
    TAXlate& tax = station->tax;
    tax.~TAXlate();
    new (&tax) TAXlate(&display());
    tax.setHost(&translatorHost);
    RuName name;
    tax.getDefaultTableRuName(name);
    XlateTableInfo* builtIn = registry.FindAndIncrement(name, nullptr);
    EXPECT_NE(builtIn, nullptr);
    if (builtIn) arabic = *builtIn;
    arabic.keyboardCode = 0xE6D6;
    arabic.flags |= XlateTableInfo::kRightToLeft;
    tax.setUsesHostTables(true);
    tax.loadXlateTable(&arabic);
  }
  void key(unsigned char category, unsigned char code) {
    FunctionWord w{category, code};
    display().inObjGen().processKeystrokeEvent(&display(), &w);
  }
  void type(const Bytes& codes) {
    for (unsigned char c : codes) key(c >= 0xF0 && c <= 0xF9 ? 13 : 10, c);
  }
  void enter() {
    PostedEnter e;
    display().processUserInputObject(&e);
  }

  XlateTable registry;
  XlateTableInfo arabic;
  CountingHost translatorHost;
};

// Row 5: a right-to-left input field of 12 positions (shift type 4 on a
// right-to-left keyboard) at columns 21-32; row 6: a left-to-right field of
// 5 at columns 21-25. Then Read MDT Fields.
const Bytes kScreen = Cat({B({0x04, 0x40}),
                           WriteToDisplay(Cat({SetBufferAddress(5, 20), StartField(0x44, 0x00, 12),
                                               SetBufferAddress(6, 20), StartField(0x40, 0x00, 5)})),
                           B({0x04, 0x52, 0x00, 0x08})});

constexpr unsigned int kRtlStart = 4 * 80 + 20, kRtlEnd = kRtlStart + 11;

TEST(ShapingLoopback, ARightToLeftFieldIsTypedShapedAndReadBack) {
  ArabicLoopback l;
  DisplayBag& d = l.display();
  ASSERT_EQ(d.asd().language(), ASD::kArabic);
  l.Send(Record(0x03, kScreen, 0, 0x40));
  ASSERT_TRUE(l.Pending().empty());
  Field* f = d.formatTable().getFieldByStartOffset(kRtlStart);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->getFieldClassID(), kRTLField);
  // The operator enters the field at its right end and types beh, 1, 2,
  // beh, seen, meem: the digits end the first word.
  d.cursor().detachCursorFromArea();
  d.cursor().initializeCursorToArea(static_cast<int>(kRtlEnd), 0, CursorOffsetAsShown);
  EXPECT_TRUE(d.modeFlagsA() & DisplayBag::kARTLCursor);
  l.type({0x58});
  EXPECT_EQ(l.station->psBuffer[kRtlEnd], 0x59) << "shaped while typing: beh waits to join";
  l.type({0xF1, 0xF2, 0x58, 0x77, 0xBB});
  const Bytes& ps = l.station->psBuffer;
  EXPECT_EQ(Bytes(ps.begin() + kRtlEnd - 5, ps.begin() + kRtlEnd + 1), (Bytes{0xBC, 0x78, 0x59, 0xF2, 0xF1, 0x58}));
  l.enter();
  // Enter ends the word: meem takes its final shape before the read.
  EXPECT_EQ(Bytes(ps.begin() + kRtlStart, ps.begin() + kRtlEnd + 1),
            (Bytes{0, 0, 0, 0, 0, 0, 0xBB, 0x78, 0x59, 0xF2, 0xF1, 0x58}));
  // Cursor row 5 column 26, AID Enter, then the field after its SBA: a
  // right-to-left field in screen order, its unused left end as blanks.
  const Bytes body = Cat({B({5, 26, 0xF1}), SetBufferAddress(5, 21), Bytes(6, 0x40),
                          B({0xBB, 0x78, 0x59, 0xF2, 0xF1, 0x58})});
  EXPECT_EQ(l.Next(), Cat({Header(0x03, body.size(), 0, 0x40), body}));
}

TEST(ShapingLoopback, AReversedScreenShowsMirroredRowsAndStillShapes) {
  ArabicLoopback l;
  DisplayBag& d = l.display();
  l.Send(Record(0x03, kScreen, 0, 0x40));
  ASSERT_TRUE(l.Pending().empty());
  l.key(3, 8);  // Reverse Screen
  ASSERT_TRUE(d.screenReversed());
  d.outputChanges();
  const Bytes& ps = l.station->psBuffer;
  // On the mirrored screen the left-to-right field of row 6 (columns
  // 21-25) is typed right to left: it starts at its right end in the
  // presentation space.
  constexpr unsigned int kLtrStart = 5 * 80 + 20, kLtrEnd = kLtrStart + 4;
  EXPECT_EQ(d.formatTable().getFieldByStartOffset(kLtrStart)->getFieldClassID(), kRTLField);
  d.cursor().detachCursorFromArea();
  d.cursor().initializeCursorToArea(static_cast<int>(kLtrEnd), 0, CursorOffsetAsShown);
  ASSERT_TRUE(d.modeFlagsA() & DisplayBag::kARTLCursor);
  EXPECT_EQ(d.presentationSpace().reversedField(), d.formatTable().getFieldByStartOffset(kLtrStart))
      << "the focused field's data is held reversed";
  d.outputChanges();
  l.type({0x58, 0x58});
  EXPECT_EQ(Bytes(ps.begin() + kLtrEnd - 1, ps.begin() + kLtrEnd + 1), (Bytes{0x59, 0x59})) << "shaped";
  // The change goes straight to the field's mirrored place: the first
  // letter at the right end of the field as the operator sees it.
  l.station->rendering.calls.clear();
  d.outputChanges();
  std::string call;
  for (const std::string& c : l.station->rendering.calls)
    if (c.rfind("updatePresentationSpacePlane", 0) == 0) call = c;
  unsigned int from = 0, to = 0, count = 0;
  ASSERT_EQ(std::sscanf(call.c_str(), "updatePresentationSpacePlane(%u,%u,%u)", &from, &to, &count), 3) << call;
  EXPECT_EQ(from, kLtrStart);
  EXPECT_EQ(to, 5u * 80 + 79 - 24);
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(l.station->rendering.lastData, (Bytes{0, 0, 0, 0x59, 0x59}));
  l.enter();
  // Enter ends the word; the read takes the field in the host's order (the
  // data reversal and the orientation suspended): left to right, the first
  // letter first.
  const Bytes body = Cat({B({6, 23, 0xF1}), SetBufferAddress(6, 21), B({0x59, 0x58})});
  EXPECT_EQ(l.Next(), Cat({Header(0x03, body.size(), 0, 0x40), body}));
  // The read's control characters put the cursor in the first field: the
  // typed field has its data in the host's order again.
  EXPECT_NE(d.presentationSpace().reversedField(), d.formatTable().getFieldByStartOffset(kLtrStart));
  EXPECT_EQ(Bytes(ps.begin() + kLtrStart, ps.begin() + kLtrEnd + 1), (Bytes{0x59, 0x58, 0, 0, 0}));
  // Reversing the screen back leaves no field data reversed.
  l.key(3, 8);
  EXPECT_FALSE(d.screenReversed());
  EXPECT_EQ(d.presentationSpace().reversedField(), nullptr);
  EXPECT_EQ(Bytes(ps.begin() + kLtrStart, ps.begin() + kLtrEnd + 1), (Bytes{0x59, 0x58, 0, 0, 0}));
}

}  // namespace
