// The text session's share of the save/restore stream: a round trip
// reproduces every member it carries, a station restores into text assist,
// and a damaged share is refused with 0x10050127 without changing anything.
#include <gtest/gtest.h>

#include <algorithm>

#include "datastream/qrnIStream.h"
#include "tests/display/StreamHelpers.h"
#include "tests/textassist/TextStation.h"

namespace {

constexpr unsigned int kSenseRestoreInvalid = 0x10050127;

Bytes SaveShare(TextStation& s) {
  return SaveStream([&](qrnOStream* o) { s.text()->saveTextSession(o); });
}

unsigned int RestoreShare(TextStation& s, const Bytes& stream) {
  qrnIStream in(stream.data(), stream.size());
  if (in.checkFCS()) return 1;
  return s.text()->restoreTextSession(&in);
}

// A station in text assist with members away from their defaults.
void BusyPage(TextStation& s) {
  ASSERT_EQ(s.run(R1()), 0u);
  ASSERT_EQ(s.run(Wsf(Field(0x37, {0x00, 0x00, 0x00, 0x01, 0x1F}))), 0u);
  s.type("X");
  TextSession& t = *s.text();
  t.locateChar = 0x5B;
  t.pageNumber[1] = 0x12;
  t.pageNumber[2] = 0x34;
  t.dpo.row = 7;
  t.dpo.column = 9;
  t.dpo.options = 0xA2000000u;
  t.saveWord = 0xBEEF;
  t.saveByte = 0x42;
  t.textFlagsA |= 0x80006000u;
  t.lineTable[4].newLine = 1;
  t.lineTable[4].indentOffset = 3;
  t.lineTable[4].ctl2 = 0x80000000u;
}

TEST(SaveRestore, TheShareRoundTrips) {
  TextStation a;
  BusyPage(a);
  const Bytes saved = SaveShare(a);
  TextStation b;
  ASSERT_EQ(b.run(Wsf(Dftxt(0x00, 0x80))), 0u);
  b.text()->errorLineSave[0][3] = 0x77;
  ASSERT_EQ(RestoreShare(b, saved), 0u);
  EXPECT_EQ(MemberBytes(SaveShare(b)), MemberBytes(saved));
  const TextSession& t = *b.text();
  EXPECT_EQ(t.cursorPos, a.text()->cursorPos);
  EXPECT_EQ(t.reqCarrierReturnChar, 0x1F);
  EXPECT_EQ(t.saveWord, 0xBEEF);
  EXPECT_EQ(t.saveByte, 0x42);
  EXPECT_EQ(t.lineTable[4].indentOffset, 3);
  EXPECT_EQ(t.lineTable[2].lineId, 1);
  EXPECT_EQ(t.lineTable[2].ctl, a.text()->lineTable[2].ctl);
  EXPECT_NE(t.getscaleline(1), nullptr);
  EXPECT_EQ(t.dpo.options, 0xA2000000u);
  EXPECT_EQ(t.errorLineSave[0][3], 0x00);
}

TEST(SaveRestore, AWholeStationComesBackInTextAssist) {
  TextStation a;
  BusyPage(a);
  const Bytes image = SaveStream([&](qrnOStream* o) { a.display.saveDisplay(o, 0); }, 40000);
  TextStation b;
  qrnIStream in(image.data(), image.size());
  ASSERT_FALSE(in.checkFCS());
  ASSERT_EQ(b.display.restoreDisplay(&in), 0u);
  EXPECT_EQ(b.keyboard().state(), KeyboardState::kWordProcessing);
  EXPECT_EQ(b.row(3), a.row(3));
  EXPECT_EQ(MemberBytes(SaveShare(b)), MemberBytes(SaveShare(a)));
}

TEST(SaveRestore, OutsideTextAssistTheShareIsOneByte) {
  TextStation s;
  const Bytes saved = SaveShare(s);
  EXPECT_EQ(MemberBytes(saved), Bytes{0x00});
  TextStation b;
  ASSERT_EQ(b.run(R1()), 0u);
  const Bytes before = MemberBytes(SaveShare(b));
  ASSERT_EQ(RestoreShare(b, saved), 0u);
  EXPECT_EQ(MemberBytes(SaveShare(b)), before);
}

TEST(SaveRestore, APendingAidIsDroppedUnlessTypeAheadIsOn) {
  for (const bool typeAhead : {false, true}) {
    SCOPED_TRACE(typeAhead ? "type-ahead on" : "type-ahead off");
    TextStation a;
    ASSERT_EQ(a.run(R1(false)), 0u);
    a.enter();
    ASSERT_TRUE(a.text()->stateWord() & text_mode::kAidPending);
    TextStation b;
    if (!typeAhead) b.tax.turnTAOffDev(1);
    ASSERT_EQ(b.run(Wsf(Dftxt(0x00, 0x80))), 0u);
    ASSERT_EQ(RestoreShare(b, SaveShare(a)), 0u);
    EXPECT_EQ((b.text()->stateWord() & text_mode::kAidPending) != 0, typeAhead);
    EXPECT_EQ(b.text()->keyboardLocked(), typeAhead);
    EXPECT_EQ(b.text()->lastAid, typeAhead ? 0xF1 : 0x00);
  }
}

TEST(SaveRestore, ADamagedShareIsRefused) {
  TextStation a;
  BusyPage(a);
  const Bytes good = MemberBytes(SaveShare(a));
  const size_t n = good.size();
  // The scale-line table's length field: before the table, the save word and byte.
  const size_t tableBytes = 3 + a.text()->getScaleLineTableLength(a.text()->scaleLineTable + 2);
  const size_t lengthAt = n - 3 - tableBytes - 4;
  ASSERT_EQ(good[lengthAt + 3], tableBytes);
  struct Case {
    const char* name;
    size_t at;
    unsigned char value;
    size_t keep;  // bytes kept (the stream cut there), or 0 for all
  };
  const Case cases[] = {
      {"presence byte 2", 0, 0x02, 0},
      {"cut after the geometry", 0, 0x01, 9},
      {"cut inside the line records", 0, 0x01, n / 2},
      {"cut inside the scale-line table", 0, 0x01, n - 6},
      {"30 rows", 4, 30, 0},
      {"81 columns", 6, 81, 0},
      {"cursor beyond the screen", 1, 0xFF, 0},
      {"scale table longer than its room", lengthAt + 2, 0x02, 0},
      {"scale table shorter than its entries", lengthAt + 3, static_cast<unsigned char>(tableBytes - 1), 0},
      {"scale table of two bytes", lengthAt + 3, 2, 0},
      {"scale entries without their end", n - 3 - 1 - 0, 0x05, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes damaged = good;
    damaged[c.at] = c.value;
    if (c.keep) damaged.resize(c.keep);
    const Bytes stream = SaveStream([&](qrnOStream* o) { o->hostPutData(damaged.data(), damaged.size()); });
    TextStation b;
    ASSERT_EQ(b.run(R1()), 0u);
    const Bytes before = MemberBytes(SaveShare(b));
    const uint32_t modes = b.text()->stateWord();
    EXPECT_EQ(RestoreShare(b, stream), kSenseRestoreInvalid);
    EXPECT_EQ(MemberBytes(SaveShare(b)), before);
    EXPECT_EQ(b.text()->stateWord(), modes);
  }
}

TEST(SaveRestore, ADamagedStationImageLeavesTheStationAlone) {
  TextStation a;
  BusyPage(a);
  Bytes image = SaveStream([&](qrnOStream* o) { a.display.saveDisplay(o, 0); }, 40000);
  // The text session's rows word sits somewhere in the image: find the
  // share by its geometry (cursor, 24, 80, 1920) and break its rows.
  const Bytes marker = {0x00, 0x18, 0x00, 0x50, 0x07, 0x80};
  Bytes members = MemberBytes(image);
  auto at = std::search(members.begin(), members.end(), marker.begin(), marker.end());
  ASSERT_NE(at, members.end());
  at[1] = 0x1E;
  image = SaveStream([&](qrnOStream* o) { o->hostPutData(members.data(), members.size()); });
  TextStation b;
  ASSERT_EQ(b.run(R1()), 0u);
  const Bytes row3 = b.row(3);
  qrnIStream in(image.data(), image.size());
  ASSERT_FALSE(in.checkFCS());
  EXPECT_EQ(b.display.restoreDisplay(&in), kSenseRestoreInvalid);
  EXPECT_EQ(b.row(3), row3);
  EXPECT_EQ(b.keyboard().state(), KeyboardState::kWordProcessing);
}

}  // namespace

namespace {

// Whatever the host did, the share a session writes restores into it.
TEST(SaveRestore, EverySessionRestoresItsOwnShare) {
  struct Case {
    const char* name;
    Bytes record;
  };
  const Case cases[] = {
      {"R1", R1()},
      {"extended planes", Wsf(Dftxt(0x00, 0xC0) + Dfscl(ScaleLine(1, {{2, 1}, {10, 3}, {70, 2}})))},
      {"R2 after extended planes", R2()},
  };
  TextStation s;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(s.run(c.record), 0u);
    const Bytes saved = SaveShare(s);
    EXPECT_EQ(RestoreShare(s, saved), 0u);
    EXPECT_EQ(MemberBytes(SaveShare(s)), MemberBytes(saved));
  }
}

}  // namespace
