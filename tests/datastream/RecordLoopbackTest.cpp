// Records both ways between the loopback TN5250 host and a headless session:
// the screen reads, records held during contention, and malformed records.
#include <gtest/gtest.h>

#include "tests/datastream/LoopbackSession.h"
#include "tests/support/LogCapture.h"

namespace {

using namespace glue_test;

TEST(RecordLoopbackTest, ReadImmediateAndReadScreenAreAnsweredByteForByte) {
  Loopback l;
  DisplayBag& d = l.display();
  l.station->text(35, Ebcdic("Sign On"));
  l.station->text(5 * 80 + 16, Ebcdic("User  . . . . ."));

  l.Send(Record(0x08, B({0x04, 0x62}), 0, 0x40));
  const Bytes screen = l.Next();
  EXPECT_EQ(screen, Cat({Header(0x08, 1920, 0, 0x40), Bytes(l.station->psBuffer.begin(),
                                                              l.station->psBuffer.begin() + 1920)}));

  l.Send(Record(0x06, B({0x04, 0x72}), 0, 0x40));
  const Bytes immediate = l.Next();
  const Bytes head = B({int(d.cursor().getCursorRow()), int(d.cursor().getCursorColumn()), 0x00});
  EXPECT_EQ(immediate, Cat({Header(0x06, 3, 0, 0x40), head}));
  EXPECT_TRUE(l.Pending().empty());
}

TEST(RecordLoopbackTest, RecordsHeldDuringContentionAreReplayedAfterTheNextKey) {
  Loopback l;
  DisplayBag& d = l.display();
  l.Send(Record(0x02, B({0x04, 0x40})));
  ASSERT_TRUE(d.keyboardState().enterSystemRequestState());
  const char* texts[3] = {"FIRST", "SECOND", "THIRD"};
  for (int i = 0; i < 3; ++i)
    l.Send(Record(0x02, WriteToDisplay(Cat({SetBufferAddress(10 + i, 2), Ebcdic(texts[i]), SetBufferAddress(20, 2),
                                             Ebcdic(texts[i])}))));
  EXPECT_EQ(l.station->host.heldRecordCount(), 3u);
  EXPECT_TRUE(l.Pending().empty()) << "held records are not answered";

  ASSERT_TRUE(d.keyboardState().exitSystemRequestState());
  // The operator's input resolved the contention; the next key replays.
  d.contentionError().resetContentionError(&d);
  s5250_replay_held(l.glue);
  EXPECT_EQ(l.station->host.heldBytes(), 0u);
  for (int i = 0; i < 3; ++i) {
    const Bytes t = Ebcdic(texts[i]);
    EXPECT_EQ(Bytes(l.station->psBuffer.begin() + (9 + i) * 80 + 1, l.station->psBuffer.begin() + (9 + i) * 80 + 1 +
                                                                          t.size()),
              t);
  }
  // The row all three wrote shows them in order: THIRD over SECOND.
  EXPECT_EQ(Bytes(l.station->psBuffer.begin() + 19 * 80 + 1, l.station->psBuffer.begin() + 19 * 80 + 7),
            Ebcdic("THIRDD"));
}

TEST(RecordLoopbackTest, ClearUnitDuringContentionDiscardsHeldRecords) {
  Loopback l;
  DisplayBag& d = l.display();
  l.Send(Record(0x02, B({0x04, 0x40})));
  ASSERT_TRUE(d.keyboardState().enterSystemRequestState());
  l.Send(Record(0x02, WriteToDisplay(Cat({SetBufferAddress(10, 2), Ebcdic("HELD")}))));
  l.Send(Record(0x02, WriteToDisplay(Cat({SetBufferAddress(11, 2), Ebcdic("HELD")}))));
  ASSERT_EQ(l.station->host.heldRecordCount(), 2u);
  l.Send(Record(0x02, B({0x04, 0x40})));
  EXPECT_EQ(l.station->host.heldBytes(), 0u);
  EXPECT_FALSE(l.station->host.contention());
  s5250_replay_held(l.glue);
  EXPECT_NE(Bytes(l.station->psBuffer.begin() + 9 * 80 + 1, l.station->psBuffer.begin() + 9 * 80 + 5),
            Ebcdic("HELD"));
}

TEST(RecordLoopbackTest, MalformedRecordsAreRefusedAndTheSessionGoesOn) {
  qwtest::LogCapture log;
  Loopback l;
  l.Send(Record(0x0E, B({0x04, 0x40})));
  EXPECT_EQ(l.Next(), Cat({Header(0x0E, 4, 0x80, 0), B({0x10, 0x03, 0x01, 0x01})}));

  Bytes mismatch = Record(0x03, B({0x04, 0x40}));
  mismatch[1] = 0x20;
  l.Send(mismatch);
  l.Send(B({0x00, 0x0A, 0x12}));
  l.Send(Record(0x03, B({0x04, 0x11, 0x00})));  // the data stream refuses it
  // Each is answered negatively: the two framing errors with the sense of a
  // bad length, so that the host does not wait for an answer.
  const std::vector<Bytes> answers = l.Pending();
  ASSERT_EQ(answers.size(), 3u);
  const Bytes badLength = Cat({Header(0x03, 4, 0x80, 0), B({0x10, 0x05, 0x01, 0x10})});
  EXPECT_EQ(answers[0], badLength);
  EXPECT_EQ(answers[1], badLength);  // too short for a header: the last header's opcode
  EXPECT_EQ(Bytes(answers[2].begin(), answers[2].begin() + 10), Header(0x03, 4, 0x80, 0));
  EXPECT_EQ(l.glue.framingErrors, 2u);

  // Opcode 0x0D does not ask for the end-of-reply mark.
  l.Send(Record(0x0D, {}, 0, 0x40));
  EXPECT_EQ(l.Next(), Header(0x0D, 0, 0, 0x00));
}

}  // namespace
