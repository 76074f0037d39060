// WRTXT beyond the smallest records (message wait, alarm, the cursor, a
// cleared row, a key typed while the keyboard was locked), DFPEN and the
// poll type that tells the keyboard what kind of text the cursor is in.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/textassist/TextStation.h"

namespace {

TEST(TextWrite, WriteControlByte) {
  struct Case {
    const char* name;
    unsigned char wcc;
    bool messageWait, alarm;
  };
  const Case cases[] = {
      {"message wait on", 0x01, true, false},
      {"message wait on and off: on", 0x03, true, false},
      {"alarm", 0x04, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(R1()), 0u);
    s.rendering.clear();
    ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, c.wcc, 0, 0, {}))), 0u);
    EXPECT_EQ((s.display.indicators().current().get() & Indicators::kMessageWait) != 0, c.messageWait);
    // The alarm goes to the device with the record's control word.
    bool alarm = false;
    for (const std::string& call : s.rendering.calls) {
      unsigned int control = 0, indicators = 0;
      if (std::sscanf(call.c_str(), "updateIndicators(0x%X,0x%X)", &control, &indicators) == 2)
        alarm = alarm || (control & DisplayControlData::kAlarm);
    }
    EXPECT_EQ(alarm, c.alarm);
  }
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x01, 0, 0, {}))), 0u);
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x02, 0, 0, {}))), 0u);
  EXPECT_FALSE(s.display.indicators().current().get() & Indicators::kMessageWait);
}

TEST(TextWrite, TheCursorMovesOnlyWhileTheTextKeyboardIsLocked) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  // Unlocked: the position is only remembered.
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x00, 5, 7, {}))), 0u);
  EXPECT_EQ(s.text()->cursorPos, 161u);
  EXPECT_EQ(s.text()->savedCursorPos, s.offset(5, 7));
  // Locked by the write itself: the cursor goes there.
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x20, 0x00, 6, 9, {}))), 0u);
  EXPECT_EQ(s.text()->cursorPos, s.offset(6, 9));
  EXPECT_EQ(s.display.cursor().getCursorOffset(), s.offset(6, 9));
  // "Leave the cursor": remembered, not moved.
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x40, 7, 3, {}))), 0u);
  EXPECT_EQ(s.text()->cursorPos, s.offset(6, 9));
  // A write without a cursor goes back to the remembered position.
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x20, 0x00, 0, 0, {}))), 0u);
  EXPECT_EQ(s.text()->cursorPos, s.offset(7, 3));
}

TEST(TextWrite, ALineThatClearsItsRowWithoutText) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({3, {}, 1})))), 0u);
  EXPECT_EQ(s.row(3), Bytes(80, 0x00));
  // Without the clear bit the old text stays under the new.
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({4, Ebc("AB"), 2, 0x00})))), 0u);
  EXPECT_EQ(s.screen(s.offset(4, 1), 2), Ebc("AB"));
}

TEST(TextWrite, AKeyTypedWhileLockedIsReplayedWhenTheHostUnlocks) {
  TextStation s;
  ASSERT_EQ(s.run(R1(false)), 0u);
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x20, 0x00, 0, 0, {}))), 0u);
  ASSERT_TRUE(s.text()->keyboardLocked());
  s.type("Q");
  EXPECT_EQ(s.screen(161, 1), Ebc("H"));
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 0, 0, {}))), 0u);
  EXPECT_EQ(s.screen(161, 1), Ebc("Q"));
  EXPECT_EQ(s.text()->pendingDataKey, 0);
}

TEST(TextWrite, DfpenDefinesThePendingOperation) {
  struct Case {
    const char* name;
    bool unlockFirst;
    Bytes data;
    uint32_t sense;
  };
  const Case cases[] = {
      {"keyboard unlocked", true, {0x00, 0x80, 0x00}, 0x1005011D},
      {"length 8", false, {0x00, 0x80, 0x00, 0x00}, 0x10050110},
      {"byte 6 low bits", false, {0x00, 0x80, 0x01}, 0x10050112},
      {"row 2 is not text", false, {0x00, 0x20, 0x80, 0xC1, 0xC2, 0xC3, 0x00, 2, 0x00, 5}, 0x10050112},
      {"row beyond the screen", false, {0x00, 0x20, 0x80, 0xC1, 0xC2, 0xC3, 0x00, 25, 0x00, 5}, 0x10050112},
      {"a start on row 5", false, {0x00, 0xA0, 0x80, 0xC1, 0xC2, 0xC3, 0x00, 5, 0x00, 7}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(R1(false)), 0u);
    if (!c.unlockFirst) ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x20, 0x40, 0, 0, {}))), 0u);
    EXPECT_EQ(s.run(Wsf(Field(0x33, c.data))), c.sense);
    if (c.sense) continue;
    const TextSession& t = *s.text();
    EXPECT_EQ(t.dpo.row, 5u);
    EXPECT_EQ(t.dpo.column, 7u);
    EXPECT_EQ(t.dpo.options, (0x20u << 26) | (1u << 25));
    EXPECT_TRUE(s.display.modeFlagsA() & DisplayBag::kAInsert);
    // The next record carries the operation in its status field.
    ASSERT_EQ(s.run(Wsf(Rdtxt())), 0u);
    s.text()->textSendAid(s.text()->cursorPos, 0xF1);
    ASSERT_EQ(s.host.sent.size(), 1u);
    const Bytes& r = s.host.sent.back();
    const Bytes status(r.end() - 18, r.end());
    EXPECT_EQ(status[5], 0x80);  // insert mode
    EXPECT_EQ(Bytes(status.begin() + 7, status.begin() + 14), (Bytes{0xC1, 0xC2, 0xC3, 0x00, 5, 0x00, 7}));
  }
}

TEST(TextWrite, PollTypes) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  unsigned int changed = 7;
  EXPECT_EQ(s.text()->determinePollType(changed), 9u);  // not a bidirectional editor
  EXPECT_EQ(changed, 0u);
  s.text()->setKBLocked(true);
  changed = 7;
  EXPECT_EQ(s.text()->determinePollType(changed), 10u);
  EXPECT_EQ(changed, 7u);
  s.text()->operatorerror(72);
  EXPECT_EQ(s.text()->determinePollType(changed), 9u);  // an error shows, even locked
  // A bidirectional editor on a right-to-left line.
  TextStation b;
  ASSERT_EQ(b.run(Wsf(Dftxt(0x01, 0x80) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}})) +
                      Wrtxt(0x80, 0x00, 0x08, 3, 2,
                            LineRecord({3, Ebc("A"), 1, 0x80, 2, 0x80}) + LineRecord({4, Ebc("B"), 2})))),
            0u);
  changed = 7;
  EXPECT_EQ(b.text()->determinePollType(changed), 2u);
  EXPECT_EQ(changed, 1u);  // the write turned the cursor round
  EXPECT_EQ(b.text()->determinePollType(changed), 2u);
  EXPECT_EQ(changed, 0u);
  ASSERT_EQ(b.run(Wsf(Wrtxt(0x80, 0x20, 0x08, 4, 2, {}))), 0u);
  EXPECT_EQ(b.text()->determinePollType(changed), 1u);
}

}  // namespace
